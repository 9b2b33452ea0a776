// Writes the seed corpora of the fuzz targets: real notes made by the storage code (sealed with
// the targets' passphrase, and with another one), as records, as note executables and as raw
// blocks, a few hand-made trailers, and argument lists for the switch grammar.
//
//   make_seeds OUTPUT_FOLDER   creates OUTPUT_FOLDER/<target>/ for every target
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_passphrase.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        std::fprintf(stderr, "make_seeds: cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string trailer(std::uint32_t magic, std::uint32_t length) {
    std::string t(8, '\0');
    for (int i = 0; i < 4; ++i) {
        t[i] = static_cast<char>(magic >> (8 * i));
        t[4 + i] = static_cast<char>(length >> (8 * i));
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_FOLDER\n");
        return 1;
    }
    const fs::path root = argv[1];
    const fs::path records = root / "fuzz_parserecord", blocks = root / "fuzz_file_end_data",
                   files = root / "fuzz_load", lines = root / "fuzz_command_line";
    for (const auto& dir : {records, blocks, files, lines}) fs::create_directories(dir);
    // A stand-in editor image: small, so that every run of the targets stays quick.
    const std::string fakeImage = "MZ stand-in editor image";
    const fs::path image = root / "editor-image.bin";
    write(image, fakeImage);

    const struct {
        const char* name;
        std::string text;
        const char* passphrase;
        std::uint32_t flags;
    } notes[] = {
        {"one-byte", "x", kFuzzPassphrase, 0},
        {"two-blocks", "seventeen bytes!!", kFuzzPassphrase, NOTE_READONLY | NOTE_MAXIMIZED},
        {"nul-bytes", std::string("a\0b\r\n\0c", 7), kFuzzPassphrase, 0x80000000u},
        {"other-passphrase", "not for the fuzzer", "another one", 0},
    };
    for (const auto& seed : notes) {
        NoteDocument doc(image.string());
        doc.setkey(seed.passphrase);
        doc.settext(seed.text);
        doc.header.flags = seed.flags;
        const fs::path note = files / (std::string(seed.name) + ".exe");
        if (!doc.save(note.string(), {640, 480, (seed.flags & NOTE_MAXIMIZED) != 0})) return 1;
        Bytes record;
        doc.buildrecord(record);
        write(records / seed.name, std::string(record.begin(), record.end()));
        write(files / (std::string(seed.name) + ".rec"), read(records / seed.name));
        write(blocks / (std::string(seed.name) + ".exe"), read(note));
    }
    // A note whose editor part itself ends like a note, in an empty block's trailer.
    const std::string record = read(records / "one-byte");
    const std::string nested =
        fakeImage + trailer(FileEndData::kMagic, 0) + record +
        trailer(FileEndData::kMagic, static_cast<std::uint32_t>(record.size()));
    write(files / "image-ends-in-trailer.exe", nested);
    write(blocks / "image-ends-in-trailer.exe", nested);
    // The empty note: a header alone, its digest zero.
    Bytes header;
    NoteDocument().buildrecord(header);
    write(records / "header-only", std::string(header.begin(), header.end()));
    write(files / "header-only.rec", std::string(header.begin(), header.end()));
    // A record file that also carries a trailer: the trailer bytes break the record's size.
    write(files / "record-with-trailer.rec", record + trailer(FileEndData::kMagic, 0));
    // A trailer that claims one byte more than the file holds in front of it.
    write(blocks / "lying-length", "host" + trailer(FileEndData::kMagic, 5));
    write(blocks / "swapped-magic", "host" + trailer(0xEFBEADDEu, 2));

    const std::string commandLines[] = {
        "-edit:C:\\Users\\me\\notes.exe",
        "-EDIT:x.exe\n-erase:y.exe",
        "C:\\folder-erase\\file.txt\n-edit:\n-edit",
        std::string("-edit:a\0-erase\0-edit:b", 22),
    };
    for (std::size_t i = 0; i < std::size(commandLines); ++i)
        write(lines / ("args-" + std::to_string(i)), commandLines[i]);
    fs::remove(image);
    return 0;
}
