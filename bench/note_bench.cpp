// Saving and opening a 4 MiB note against copying the same number of bytes with a plain file
// copy, in the same run, with the AES and SHA instruction paths (hw:1) and without (hw:0).
// crypto_ratios.sh prints the ratios: save against a flushed copy, open against a plain one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "storage/crypto/hardware.h"
#include "storage/note_document.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kText = 4 * 1024 * 1024;
constexpr std::size_t kImage = 150 * 1024;  // about the editor's size

struct Scratch {
    Scratch() {
        dir = fs::temp_directory_path() / ("quillox-bench-" + std::to_string(getpid()));
        fs::create_directories(dir);
        std::mt19937 gen(5);
        std::vector<char> image(kImage);
        for (auto& c : image) c = static_cast<char>(gen());
        std::ofstream(dir / "editor.exe", std::ios::binary).write(image.data(), image.size());
        text.resize(kText);
        for (auto& c : text) c = static_cast<char>('a' + gen() % 26);
        NoteDocument doc((dir / "editor.exe").string());
        doc.setKey("bench");
        doc.setText(text);
        doc.save((dir / "note.exe").string(), {});
        noteSize = fs::file_size(dir / "note.exe");
    }
    ~Scratch() { fs::remove_all(dir); }
    fs::path dir;
    std::string text;
    std::uintmax_t noteSize = 0;
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

// read(2)/write(2) in 64 KiB pieces; with `sync` the copy is flushed as a save is.
void plainCopy(const fs::path& from, const fs::path& to, bool sync) {
    int in = open(from.c_str(), O_RDONLY);
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    static char buffer[65536];
    for (ssize_t n; (n = read(in, buffer, sizeof buffer)) > 0;)
        if (write(out, buffer, static_cast<size_t>(n)) != n) break;
    if (sync) fsync(out);
    close(in);
    close(out);
}

void BM_PlainCopy(benchmark::State& state) {
    auto& s = scratch();
    for (auto _ : state) plainCopy(s.dir / "note.exe", s.dir / "copy.exe", state.range(0) != 0);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.noteSize));
}
BENCHMARK(BM_PlainCopy)->Arg(0)->Arg(1)->ArgName("fsync")->Unit(benchmark::kMillisecond);

// Selects the crypto path from the benchmark's argument; false when it is not available.
bool usePath(benchmark::State& state) {
    const bool hardware = state.range(0) != 0;
    if (setHardwareCrypto(hardware) == hardware) return true;
    state.SkipWithError("no AES or SHA instructions on this processor");
    return false;
}

void BM_SaveNote(benchmark::State& state) {
    if (!usePath(state)) return;
    auto& s = scratch();
    NoteDocument doc((s.dir / "editor.exe").string());
    doc.setKey("bench");
    for (auto _ : state) {
        doc.setText(s.text);  // the editor hands its text over before every save
        if (!doc.save((s.dir / "saved.exe").string(), {640, 480, false}))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.noteSize));
}
BENCHMARK(BM_SaveNote)->Arg(1)->Arg(0)->ArgName("hw")->Unit(benchmark::kMillisecond);

void BM_OpenNote(benchmark::State& state) {
    if (!usePath(state)) return;
    auto& s = scratch();
    for (auto _ : state) {
        NoteDocument doc;
        String text;
        if (!doc.load((s.dir / "note.exe").string())) state.SkipWithError("load failed");
        doc.setKey("bench");
        // As the editor opens a note: the passphrase is checked by decrypting the text itself.
        if (!doc.getText(text)) state.SkipWithError("the passphrase does not open the note");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.noteSize));
}
BENCHMARK(BM_OpenNote)->Arg(1)->Arg(0)->ArgName("hw")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
