// Writes the seed corpora of the fuzz targets: real notes made by the storage code (sealed with
// the targets' passphrase, and with another one), as records, as note executables and as raw
// blocks, plus argument lists for the switch grammar.
//
//   make_seeds OUTPUT_FOLDER   creates OUTPUT_FOLDER/<target>/ for every target
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_passphrase.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace fs = std::filesystem;

namespace {

struct NoteSeed {
    const char* name;
    std::string text;
    const char* passphrase;
    std::uint32_t flags;
    WindowPlacement placement;
};

std::vector<NoteSeed> noteSeeds() {
    std::string withNuls("a\0b\0\0c", 6);
    std::string longer;
    for (int i = 0; i < 40; ++i) longer += "line " + std::to_string(i) + " of a longer note\r\n";
    return {
        {"one-byte", "x", kFuzzPassphrase, 0, {}},
        {"one-block", "sixteen bytes!!!", kFuzzPassphrase, 0, {480, 320, false}},
        {"two-blocks", "seventeen bytes!!", kFuzzPassphrase, NOTE_READONLY, {800, 600, true}},
        {"lines", "Hello\r\nworld\r\n", kFuzzPassphrase, NOTE_MAXIMIZED, {1024, 768, true}},
        {"nul-bytes", withNuls, kFuzzPassphrase, 0x80000000u | NOTE_READONLY, {-1, -1, false}},
        {"longer", longer, kFuzzPassphrase, 0, {640, 480, false}},
        {"other-passphrase", "not for the fuzzer", "another one", 0, {}},
        {"empty-passphrase", "keyed with nothing", "", 0, {}},
    };
}

void write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_seeds: cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
}

std::vector<std::uint8_t> read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::vector<std::uint8_t> trailer(std::uint32_t magic, std::uint32_t length) {
    std::vector<std::uint8_t> t(8);
    for (int i = 0; i < 4; ++i) {
        t[i] = static_cast<std::uint8_t>(magic >> (8 * i));
        t[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    return t;
}

// A stand-in editor image: small, so that every run of the targets stays quick.
std::vector<std::uint8_t> fakeImage() {
    std::vector<std::uint8_t> image{'M', 'Z'};
    for (int i = 0; i < 62; ++i) image.push_back(static_cast<std::uint8_t>(i * 7));
    return image;
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

    const fs::path image = root / "editor-image.bin";
    write(image, fakeImage());

    for (const NoteSeed& seed : noteSeeds()) {
        NoteDocument doc(image.string());
        doc.setkey(seed.passphrase);
        doc.settext(seed.text);
        doc.header.flags = seed.flags;
        std::vector<std::uint8_t> record;
        doc.buildrecord(record);
        write(records / seed.name, record);
        write(files / (std::string(seed.name) + ".rec"), record);

        const fs::path note = files / (std::string(seed.name) + ".exe");
        if (!doc.save(note.string(), seed.placement)) {
            std::fprintf(stderr, "make_seeds: cannot save %s\n", note.string().c_str());
            return 1;
        }
        write(blocks / (std::string(seed.name) + ".exe"), read(note));
    }

    // A note whose editor part itself ends like a note, in an empty block's trailer.
    {
        std::vector<std::uint8_t> nested = fakeImage();
        append(nested, trailer(FileEndData::kMagic, 0));
        const std::vector<std::uint8_t> record = read(records / "one-block");
        append(nested, record);
        append(nested, trailer(FileEndData::kMagic, static_cast<std::uint32_t>(record.size())));
        write(files / "image-ends-in-trailer.exe", nested);
        write(blocks / "image-ends-in-trailer.exe", nested);
    }

    NoteDocument blank;
    std::vector<std::uint8_t> header;
    blank.buildrecord(header);
    write(records / "header-only", header);
    write(files / "header-only.rec", header);

    // A record file that also carries a trailer: the trailer bytes break the record's size.
    std::vector<std::uint8_t> recordWithTrailer = read(records / "one-byte");
    append(recordWithTrailer, trailer(FileEndData::kMagic, 0));
    write(files / "record-with-trailer.rec", recordWithTrailer);

    std::vector<std::uint8_t> host{'h', 'o', 's', 't'};
    std::vector<std::uint8_t> file = host;
    append(file, {1, 2, 3, 4, 5});
    append(file, trailer(FileEndData::kMagic, 5));
    write(blocks / "host-and-block", file);
    write(blocks / "empty-block", trailer(FileEndData::kMagic, 0));
    write(blocks / "block-from-start", [] {
        std::vector<std::uint8_t> f{9, 9, 9};
        append(f, trailer(FileEndData::kMagic, 3));
        return f;
    }());
    write(blocks / "swapped-magic", [&] {
        std::vector<std::uint8_t> f = host;
        append(f, trailer(0xEFBEADDEu, 2));
        return f;
    }());
    write(blocks / "seven-bytes", {0xEF, 0xBE, 0xAD, 0xDE, 0, 0, 0});
    // A trailer that claims one byte more than the file holds in front of it.
    std::vector<std::uint8_t> lying = host;
    append(lying, trailer(FileEndData::kMagic, static_cast<std::uint32_t>(host.size() + 1)));
    write(blocks / "lying-length", lying);
    write(files / "lying-length.exe", lying);

    const std::vector<std::string> commandLines = {
        std::string("-edit:C:\\Users\\me\\notes.exe"),
        std::string("-EDIT:x.exe\n-erase:y.exe"),
        std::string("-Erase:C:\\Temp\\Quillox-1A2B.exe"),
        std::string("-edit"),
        std::string("C:\\folder-erase\\file.txt\n-edit:\n-edit:second"),
        std::string("-edit:a\0-erase\0-edit:b", 22),
    };
    for (std::size_t i = 0; i < commandLines.size(); ++i)
        write(lines / ("args-" + std::to_string(i)),
              std::vector<std::uint8_t>(commandLines[i].begin(), commandLines[i].end()));
    fs::remove(image);
    return 0;
}
