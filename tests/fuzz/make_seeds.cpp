// Writes the seed corpora of the fuzz targets: real notes made by the storage code (sealed with
// the targets' passphrase, and with another one), as records, as note executables and as raw
// blocks, a few hand-made trailers, and argument lists for the switch grammar.
//
//   make_seeds OUTPUT_FOLDER   creates OUTPUT_FOLDER/<target>/ for every target
#include "fuzz_support.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace fs = std::filesystem;

namespace {

fs::path root;

void write(const std::string& path, const std::string& bytes) {
    std::ofstream out(root / path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size()))) std::exit(1);
}

std::string read(const std::string& path) {
    std::ifstream in(root / path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string trailer(std::uint32_t magic, std::uint32_t length) {
    std::string t;
    for (std::uint32_t v : {magic, length})
        for (int i = 0; i < 4; ++i) t += char(v >> (8 * i));
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: make_seeds OUTPUT_FOLDER\n"), 1;
    root = argv[1];
    for (const char* target :
         {"fuzz_parserecord", "fuzz_file_end_data", "fuzz_load", "fuzz_command_line"})
        fs::create_directories(root / target);
    // A stand-in editor image: small, so that every run of the targets stays quick.
    const std::string image = "MZ stand-in editor image";
    write("editor-image.bin", image);
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
        const std::string name = seed.name;
        NoteDocument doc((root / "editor-image.bin").string());
        doc.setkey(seed.passphrase);
        doc.settext(seed.text);
        doc.header.flags = seed.flags;
        if (!doc.save((root / "fuzz_load" / (name + ".exe")).string(),
                      {640, 480, (seed.flags & NOTE_MAXIMIZED) != 0}))
            return 1;
        Bytes record;
        doc.buildrecord(record);
        write("fuzz_parserecord/" + name, std::string(record.begin(), record.end()));
        write("fuzz_load/" + name + ".rec", read("fuzz_parserecord/" + name));
        write("fuzz_file_end_data/" + name + ".exe", read("fuzz_load/" + name + ".exe"));
    }
    const std::string record = read("fuzz_parserecord/one-byte"),
                      magic0 = trailer(FileEndData::kMagic, 0);
    // A note whose editor part itself ends like a note, in an empty block's trailer.
    const std::string nested =
        image + magic0 + record + trailer(FileEndData::kMagic, std::uint32_t(record.size()));
    write("fuzz_load/image-ends-in-trailer.exe", nested);
    write("fuzz_file_end_data/image-ends-in-trailer.exe", nested);
    // The empty note: a header alone, its digest zero.
    Bytes header;
    NoteDocument().buildrecord(header);
    write("fuzz_parserecord/header-only", std::string(header.begin(), header.end()));
    write("fuzz_load/header-only.rec", std::string(header.begin(), header.end()));
    // A record file that also carries a trailer: the trailer bytes break the record's size.
    write("fuzz_load/record-with-trailer.rec", record + magic0);
    // A trailer that claims one byte more than the file holds in front of it, and a swapped magic.
    write("fuzz_file_end_data/lying-length", "host" + trailer(FileEndData::kMagic, 5));
    write("fuzz_file_end_data/swapped-magic", "host" + trailer(0xEFBEADDEu, 2));
    write("fuzz_command_line/args-0", "-edit:C:\\Users\\me\\notes.exe");
    write("fuzz_command_line/args-1", "-EDIT:x.exe\n-erase:y.exe");
    write("fuzz_command_line/args-2", "C:\\folder-erase\\file.txt\n-edit:\n-edit");
    write("fuzz_command_line/args-3", std::string("-edit:a\0-erase\0-edit:b", 22));
    fs::remove(root / "editor-image.bin");
    return 0;
}
