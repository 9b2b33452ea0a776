// quillox-note: reads and writes Quillox notes from the command line, on Windows and elsewhere,
// through the same storage code as the editor.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "cli/cli.h"
#include "cli/note_check.h"
#include "cli/note_text.h"
#include "cli/passphrase_input.h"
#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "storage/out_of_memory.h"
#include "storage/passphrase.h"
#include "storage/passphrase_strength.h"
#include "storage/system_path.h"
#include "storage/text_limit.h"
#include "storage/wipe.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "base/dll_search.h"
#endif

namespace cli {

void printError(const char* message) {
    std::fprintf(stderr, "quillox-note: %s\n", message);
}

int fail(int code, const String& message) {
    printError(message.c_str());
    return code;
}

namespace {

// Each way a storage operation fails: its exit code and, for a read, the tool's own words; a
// save's words are the editor's.
struct FaultRow {
    IoFault fault;
    int code;
    const char* words;
};
constexpr FaultRow kFaultRows[] = {
    {IoFault::Unreadable, kNotANote, "cannot be read"},
    {IoFault::NotANote, kNotANote, "not a Quillox note"},
    {IoFault::Damaged, kNotANote, "damaged note (its trailer or record is broken)"},
    {IoFault::NotWritten, kWriteFailed, nullptr},
    {IoFault::NoRandom, kWriteFailed, nullptr},
    {IoFault::OwnerNotKept, kWriteFailed, nullptr},
    {IoFault::Declined, kWriteFailed, nullptr},  // also any fault not listed above
};

}  // namespace

int failed(const IoStatus& status, const String& path) {
    const FaultRow& row =
        *std::find_if(std::begin(kFaultRows), std::end(kFaultRows) - 1,
                      [&status](const FaultRow& r) { return r.fault == status.fault; });
    String words = row.words ? failureText((path + ": " + row.words).c_str(), status.systemError)
                             : saveFailureText(status, path);
    // The editor's blank line before the reason is one line here.
    const std::size_t gap = words.find("\n\n");
    if (gap != String::npos) {
        words.erase(gap, 2);
        words.insert(gap, ": ");
    }
    return fail(row.code, words);
}

int saved(const IoStatus& status, const String& target) {
    if (!status) return failed(status, target);
    const String notice = saveNoticeText(status, target);
    if (!notice.empty()) printError(notice.c_str());
    return kDone;
}

int refuseSpecial(const String& path) {
    return file::isSpecial(path.c_str()) ? fail(kNotANote, path + ": not a regular file") : kDone;
}

unsigned passphraseCodePage(const Options& o) {
    return o.codePageGiven ? o.codePage : systemCodePage();
}

void warnWeakened(const String& note) {
    printError((note + ": " + kWeakenedNoteWarning + " (quillox-note rekey) to protect it fully.")
                   .c_str());
}

int loadNote(const String& path, NoteDocument& doc) {
    if (int rc = refuseSpecial(path)) return rc;
    const IoStatus loaded = doc.load(path);
    return loaded ? kDone : failed(loaded, path);
}

}  // namespace cli

namespace {

using namespace cli;

// The editor holds at most this many characters; a larger note would be cut when edited there.
constexpr auto kEditorLimit = static_cast<std::size_t>(kEditorTextLimit);
// The most a text file can take for that many characters (a CR LF pair of UTF-16 is four bytes
// for one), with a byte-order mark.
constexpr std::size_t kTextFileLimit = kEditorLimit * 4 + 4;

const char kHelp[] =
    "usage: quillox-note COMMAND [OPTIONS]\n"
    "\n"
    "Reads and writes Quillox notes: executables that carry an encrypted note.\n"
    "\n"
    "commands:\n"
    "  info NOTE              what can be read without the passphrase: editor image size and\n"
    "                         SHA-256, record size, text and payload lengths, flags, window size\n"
    "  cat NOTE [--raw] [--codepage N]\n"
    "                         decrypts the note's text to standard output as UTF-8 (LF line\n"
    "                         ends outside Windows); a note not stored as UTF-8 is read as\n"
    "                         Windows code page N (default 1252); --raw writes the stored bytes\n"
    "  seal --image EDITOR [-o NOTE] [--force] [TEXTFILE|-]\n"
    "                         makes a note executable from a text (standard input when the\n"
    "                         text file is - or missing), read as UTF-8 or UTF-16 when it\n"
    "                         says so or is valid UTF-8, else as code page N of --codepage N\n"
    "                         (default 1252); an EDITOR that carries a note gives\n"
    "                         only its editor part; NOTE defaults to TEXTFILE with .exe\n"
    "                         and must not exist unless --force is given\n"
    "  rekey NOTE             gives the note a new passphrase\n"
    "  set NOTE --read-only on|off\n"
    "                         sets or clears the read-only flag (needs no passphrase)\n"
    "  reimage --image EDITOR NOTE...\n"
    "                         puts each note on the editor EDITOR; the encrypted record stays\n"
    "                         byte for byte (needs no passphrase)\n"
    "  verify [--image EDITOR] [--passphrase-file FILE] NOTE...\n"
    "                         checks each note's structure; with a passphrase also that it opens,\n"
    "                         with --image that its editor part is EDITOR's byte for byte\n"
    "  salvage --image EDITOR -o NOTE [--passphrase-file FILE] DAMAGED\n"
    "                         finds the record in a damaged note and writes it, on EDITOR, to the\n"
    "                         new file NOTE; DAMAGED is only read\n"
    "\n"
    "options:\n"
    "  --passphrase-file FILE      read the passphrase from the first line of FILE\n"
    "                              (- for standard input; UTF-8, or UTF-16 with its\n"
    "                              byte-order mark) instead of asking on the terminal\n"
    "  --new-passphrase-file FILE  the same for the new passphrase of rekey; when it names the\n"
    "                              same file as --passphrase-file, its second line is used\n"
    "  --codepage N                also the code page a passphrase is keyed in when it\n"
    "                              fits it (default: the ANSI code page of Windows, 1252\n"
    "                              elsewhere); other passphrases are keyed as UTF-8\n"
    "  --json                      info and verify print JSON for scripts\n"
    "  -h, --help                  this text\n"
    "\n"
    "Passphrases typed on the terminal are not echoed; a new one is asked twice, and a\n"
    "weak one is asked about (from a file it is used with a warning).\n"
    "Files are never left half-written: a new note is complete before it replaces the old.\n"
    "\n"
    "exit codes: 0 done, 1 usage, 2 not a note, unreadable or damaged, 3 wrong passphrase,\n"
    "            4 write failed or out of memory, 5 a note's editor part differs from EDITOR\n"
    "            (reimage it); when notes of one run fail differently, the highest code wins\n";

bool parseOptions(int argc, char** argv, Options& o, String& error) {
    std::vector<String> positional;
    for (int i = 1; i < argc; ++i) {
        String a = argv[i];
        auto value = [&](String& into) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--image") {
            if (!value(o.image)) return false;
        } else if (a == "-o" || a == "--output") {
            if (!value(o.output)) return false;
        } else if (a == "--passphrase-file") {
            if (!value(o.passphraseFile)) return false;
        } else if (a == "--new-passphrase-file") {
            if (!value(o.newPassphraseFile)) return false;
        } else if (a == "--read-only") {
            if (!value(o.readOnly)) return false;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--raw") {
            o.raw = true;
        } else if (a == "--codepage") {
            String page;
            if (!value(page)) return false;
            char* end = nullptr;
            const unsigned long n = std::strtoul(page.c_str(), &end, 10);
            if (page.empty() || *end || n == 0 || n > 65535) {
                error = "--codepage needs a code page number";
                return false;
            }
            o.codePage = static_cast<unsigned>(n);
            o.codePageGiven = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (o.help) return true;
    if (positional.empty()) {
        error = "no command given (try --help)";
        return false;
    }
    o.command = positional[0];
    const bool seal = o.command == "seal";
    if (o.command == "reimage" || o.command == "verify") {
        o.notes.assign(positional.begin() + 1, positional.end());
        if (o.notes.empty()) error = o.command + " needs at least one NOTE";
        return error.empty();
    }
    if (positional.size() > 2) {
        error = "too many arguments";
        return false;
    }
    if (positional.size() == 2) (seal ? o.input : o.note) = positional[1];
    if (!seal && o.note.empty()) {
        error = o.command + (o.command == "salvage" ? " needs the DAMAGED file" : " needs a NOTE");
        return false;
    }
    return true;
}

// With `text`, the passphrase is checked by decrypting the text into it: a check of its own
// first would decrypt and hash the whole note twice.
int unlock(NoteDocument& doc, PassphraseInput& input, const Options& o, String* text = nullptr) {
    U16String pass;  // wiped by the buffer when it goes
    String error;
    if (!input.ask("Passphrase: ", o.passphraseFile, pass, error)) return fail(kUsage, error);
    const Opened opened = openWithPassphrase(doc, pass, passphraseCodePage(o), text);
    if (opened == Opened::No) return fail(kWrongPassphrase, "invalid passphrase");
    if (opened == Opened::Weakened) warnWeakened(o.note);
    return kDone;
}

// A weak passphrase is used when the user says so on the terminal; from a file it is used with a
// warning, so that scripts keep working.
bool acceptWeak(const U16String& pass, bool fromFile, unsigned codePage) {
    const double bits = passphraseBits(pass);
    if (!isWeakPassphrase(bits)) return true;
    const String words = "this passphrase is " + strengthInWords(bits);
    if (fromFile) {
        printError(("warning: " + words + "; used as the passphrase file gives it").c_str());
        return true;
    }
    U16String answer;
    const String question = "quillox-note: " + words + ".\nUse this weak passphrase anyway? [y/N] ";
    const bool yes = readTerminalLine(question.c_str(), true, codePage, answer) &&
                     (answer == u"y" || answer == u"Y" || answer == u"yes" || answer == u"Yes");
    return yes;
}

// A new passphrase, asked twice on the terminal or one line of a file, into the bytes its key is
// made of.
int newPassphrase(PassphraseInput& input, const String& file, unsigned codePage, String& bytes) {
    U16String pass, again;  // wiped by the buffers when they go
    String error;
    if (!input.ask("New passphrase: ", file, pass, error)) return fail(kUsage, error);
    if (file.empty()) {
        if (!input.ask("Repeat passphrase: ", file, again, error)) return fail(kUsage, error);
        if (again != pass) return fail(kUsage, "passphrases don't match");
    }
    const PassphraseProblem problem = passphraseProblem(pass);
    if (problem != PassphraseProblem::None)
        return fail(kUsage, String(passphraseProblemText(problem)) + " Nothing written.");
    if (!acceptWeak(pass, !file.empty(), codePage))
        return fail(kUsage, "not used; nothing written: choose a stronger passphrase");
    keyBytes(pass, codePage, KeyForm::Exact, bytes);
    return kDone;
}

WindowPlacement placementOf(const NoteHeader& h) {
    return {h.windowWidth, h.windowHeight, (h.flags & kNoteMaximized) != 0};
}

int info(const Options& o) {
    if (o.json) return infoJson(o);
    NoteHeader h;
    bool recordFile = false;
    std::uint32_t image = 0;
    if (int rc = loadHeader(o.note, h, recordFile, image)) return rc;
    std::printf("file:            %s\n", o.note.c_str());
    std::printf("kind:            %s\n", recordFile ? "record file" : "note executable");
    std::printf("editor image:    %u bytes\n", image);
    String sha;
    if (recordFile)
        sha = "none (record file)";
    else if (!fingerprint(o.note, image, sha))
        sha = "unreadable";
    std::printf("editor sha-256:  %s\n", sha.c_str());
    std::printf("record:          %u bytes\n", h.payloadLength + unsigned{NoteHeader::kSize});
    std::printf("text length:     %u bytes\n", h.textLength);
    std::printf("payload length:  %u bytes\n", h.payloadLength);
    std::printf("text encoding:   %s\n", (h.flags & kNoteUtf8) ? "UTF-8" : "ANSI code page");
    std::printf("read-only:       %s\n", (h.flags & kNoteReadOnly) ? "yes" : "no");
    std::printf("maximized:       %s\n", (h.flags & kNoteMaximized) ? "yes" : "no");
    std::printf("window:          %d x %d\n", h.windowWidth, h.windowHeight);
    return kDone;
}

int cat(const Options& o) {
    NoteDocument doc;
    if (int rc = loadNote(o.note, doc)) return rc;
    PassphraseInput input(passphraseCodePage(o));
    String text;
    if (int rc = unlock(doc, input, o, &text)) return rc;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // Unbuffered: a stream buffer would keep the text's last piece in memory nobody wipes.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (o.raw) {
        const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                             std::fflush(stdout) == 0;
        secureWipe(text);
        return written ? kDone : fail(kWriteFailed, "cannot write to standard output");
    }
    String utf8;
    const bool decoded =
        noteTextAsUtf8(text, (doc.header.flags & kNoteUtf8) != 0, o.codePage, utf8);
    secureWipe(text);
    if (!decoded)
        return fail(kUsage, "code page " + std::to_string(o.codePage) + " is not known here");
    const bool written = writeUtf8Out(utf8);
    secureWipe(utf8);
    return written ? kDone : fail(kWriteFailed, "cannot write to standard output");
}

// `in` must be unbuffered, so that the C library keeps no copy of the text; `out` wipes every
// block it outgrows.
bool readAll(std::FILE* in, String& out) {
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
        if (out.size() + n > kTextFileLimit) {
            secureWipe(chunk, sizeof chunk);
            return false;
        }
        out.append(chunk, n);
    }
    secureWipe(chunk, sizeof chunk);
    return !std::ferror(in);
}

String defaultOutput(const String& input) {
    String::size_type slash = input.find_last_of("/\\");
    String::size_type dot = input.rfind('.');
    String stem = dot != String::npos && (slash == String::npos || dot > slash)
                      ? input.substr(0, dot)
                      : input;
    return stem + ".exe";
}

int seal(const Options& o) {
    if (o.image.empty()) return fail(kUsage, "seal needs --image EDITOR");
    const bool fromStdin = o.input.empty() || o.input == "-";
    String output = o.output;
    if (output.empty()) {
        if (fromStdin) return fail(kUsage, "seal from standard input needs -o NOTE");
        output = defaultOutput(o.input);
    }
    if (file::exists(output.c_str()) && !o.force)
        return fail(kUsage, output + ": exists already; --force replaces it");
    if (int rc = refuseSpecial(o.image)) return rc;
    if (!fromStdin)
        if (int rc = refuseSpecial(o.input)) return rc;
    {
        file::Scoped h;
        file::open(*h.receive(), o.image.c_str(), false, false);
        if (file::size(h.get()) == file::kNoSize)
            return fail(kNotANote, o.image + ": cannot read the editor");
    }
    // A file that begins like a note record is read as one, so a note built on it would not open.
    if (NoteDocument::isRecordFile(o.image))
        return fail(kNotANote, o.image + ": a note record, not an editor");
    String text;
    std::FILE* in = fromStdin ? stdin : openFile(o.input, "rb");
    if (!in) return fail(kNotANote, o.input + ": cannot read the text");
    std::setvbuf(in, nullptr, _IONBF, 0);
#ifdef _WIN32
    if (fromStdin) _setmode(_fileno(stdin), _O_BINARY);
#endif
    const bool read = readAll(in, text);
    if (!fromStdin) std::fclose(in);
    if (!read) {
        secureWipe(text);
        return fail(kUsage, "the text cannot be read, or is larger than the editor's " +
                                std::to_string(kEditorTextLimit) + " characters");
    }
    if (text.empty())
        return fail(kUsage, "refusing to seal an empty text: it could never be opened");
    SealedText sealed;
    const bool decoded = sealedFormOf(text, o.codePage, sealed);
    secureWipe(text);
    if (!decoded)
        return fail(kUsage, "code page " + std::to_string(o.codePage) + " is not known here");
    if (sealed.characters > kEditorLimit) {
        secureWipe(sealed.bytes);
        return fail(kUsage, "the text is larger than the editor's " +
                                std::to_string(kEditorTextLimit) + " characters");
    }

    PassphraseInput input(passphraseCodePage(o));
    String pass;
    if (int rc = newPassphrase(input, o.passphraseFile, passphraseCodePage(o), pass)) {
        secureWipe(sealed.bytes);
        return rc;
    }
    NoteDocument doc(o.image);
    doc.setKey(pass);
    secureWipe(pass);
    doc.setText(sealed.bytes);
    secureWipe(sealed.bytes);
    if (sealed.utf8) doc.header.flags |= kNoteUtf8;
    return saved(doc.save(output, {}), output);
}

int rekey(const Options& o) {
    NoteDocument doc(o.note);
    if (int rc = loadNote(o.note, doc)) return rc;
    if (NoteDocument::isRecordFile(o.note))
        return fail(kUsage,
                    o.note + ": a record file has no editor to keep; seal its text instead");
    PassphraseInput input(passphraseCodePage(o));
    if (int rc = unlock(doc, input, o)) return rc;
    String pass;
    const String& file = o.newPassphraseFile.empty() && !o.passphraseFile.empty()
                             ? o.passphraseFile
                             : o.newPassphraseFile;
    if (int rc = newPassphrase(input, file, passphraseCodePage(o), pass)) return rc;
    doc.changePassphrase(pass);
    secureWipe(pass);
    return saved(doc.save(o.note, placementOf(doc.header)), o.note);
}

int set(const Options& o) {
    if (o.readOnly != "on" && o.readOnly != "off")
        return fail(kUsage, "set needs --read-only on|off");
    NoteDocument doc(o.note);
    if (int rc = loadNote(o.note, doc)) return rc;
    if (NoteDocument::isRecordFile(o.note))
        return fail(kUsage, o.note + ": a record file has no editor to keep");
    if (o.readOnly == "on")
        doc.header.flags |= kNoteReadOnly;
    else
        doc.header.flags &= ~kNoteReadOnly;
    return saved(doc.rewrite(o.note), o.note);
}

}  // namespace

namespace {

int run(int argc, char** argv) {
    // A note being written is replaced only once its new file is complete: running out leaves it
    // as it was.
    setOutOfMemoryNotice([] {
        printError("out of memory; the note being written, if any, is as it was");
        std::_Exit(kWriteFailed);
    });
    Options o;
    String error;
    if (!parseOptions(argc, argv, o, error)) {
        printError(error.c_str());
        return kUsage;
    }
    if (o.help) {
        std::fputs(kHelp, stdout);
        return kDone;
    }
    if (o.command == "info") return info(o);
    if (o.command == "cat") return cat(o);
    if (o.command == "seal") return seal(o);
    if (o.command == "rekey") return rekey(o);
    if (o.command == "set") return set(o);
    if (o.command == "reimage") return reimage(o);
    if (o.command == "verify") return verify(o);
    if (o.command == "salvage") return salvage(o);
    return fail(kUsage, "unknown command " + o.command + " (try --help)");
}

}  // namespace

#ifdef _WIN32
// The arguments as the system holds them, turned into UTF-8 like every path inside: a narrow argv
// would have passed them through the ANSI code page.
int wmain(int argc, wchar_t** wideArgv) {
    // Run from any folder too, where a library planted beside it must not be loaded.
    restrictDllSearch();
    std::vector<String> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(utf8Path(wideArgv[i]));
    std::vector<char*> argv;
    for (String& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}
#else
int main(int argc, char** argv) {
    return run(argc, argv);
}
#endif
