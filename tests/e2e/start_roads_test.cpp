// The roads a start of the editor can take, each run to its end as a person meets it: switches
// as a shell or a dropped file hands them over, the erase of a copy, damaged notes and files that
// are no note, and the rule that only a copy the relaunch made is ever handed over for erasing.
#include <thread>

#include "e2e_fixture.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

class StartRoads : public QuilloxTest {
protected:
    // Runs `exe args` and all it starts to the end: an error or notice box is read and answered
    // OK, the first prompt gets "pw" and a later one is cancelled, an editor is read and closed.
    // Answers what showed ("prompt|Invalid passphrase!|prompt|") and the exit codes of the run's
    // processes in the order they started ("0 -1").
    std::pair<std::string, std::string> run(const std::string& exe, const std::string& args) {
        const std::size_t first = family().members().size();
        Process& started = family().start(exe, args, baseName(exe) + " " + args);
        const WindowQuery shown[] = {dialogTitled(kErrorCaption), dialogTitled(kPromptTitle),
                                     dialogTitled(kQuestionCaption),
                                     WindowQuery{kMainClass, "", 0}};
        std::string seen;
        for (HWND found = nullptr;; waitGone(found, "what showed")) {
            waitUntil(
                [&] {
                    for (const WindowQuery& query : shown)
                        if ((found = findWindow(query))) return true;
                    return !started.running() && family().allEnded();
                },
                "a window or the end of " + started.name());
            if (!found) break;
            if (className(found) == kMainClass) {
                seen += "editor:" + controlText(descendant(found, "RichEdit20W")) + "|";
                postClose(found);
            } else if (windowText(found) == kPromptTitle) {
                if (seen.find("prompt") == std::string::npos)
                    submitPassphrase(found, "pw");
                else
                    pressButton(found, IDC_PASSPHRASE_CANCEL);
                seen += "prompt|";
            } else {
                seen += controlText(control(found, 0xFFFF)) + "|";
                pressButton(found, IDOK);
            }
        }
        Sleep(200);  // an erase run started at the very end is counted too
        family().waitAllEnded(kPatience);
        std::string codes;
        const auto members = family().members();
        for (std::size_t i = first; i < members.size(); ++i)
            codes +=
                (i > first ? " " : "") + std::to_string(static_cast<int>(members[i]->waitExit(0)));
        return {seen, codes};
    }
    std::string quoted(const std::string& name) { return "\"" + path(name) + "\""; }
};

TEST_F(StartRoads, EachRoadEndsWithItsMessageAndExitCode) {
    makeNote("note.exe", "opened", "pw");
    makeNote("other.exe", "never shown", "not pw");
    const std::string good = makeNote("good.exe", std::string(100, 'q'), "pw");
    Bytes tooLong = readFile(editorExe());  // a trailer that claims more bytes than the file has
    tooLong.insert(tooLong.end(), {0xEF, 0xBE, 0xAD, 0xDE, 0x00, 0xFF, 0xFF, 0x7F});
    writeFile(path("damaged.exe"), tooLong);
    copyFile(editorExe(), path("plain.exe"));         // an executable without a note
    copyFile(editorExe(), path("Quillox-0F0F.exe"));  // a copy's name, outside the temp folder
    copyFile(editorExe(), tempDir() + "Quillox-0D0D.exe");
    writeFile(path("dropped file.txt"), "hi");
    writeFile(path("victim.exe"), "MZ");
    // One byte of the good note changed in the trailer, the header or the payload.
    const Bytes goodBytes = readFile(good);
    const std::size_t record = FileEndData(good, true).offset(), trailer = goodBytes.size() - 8;
    auto damaged = [&](std::size_t at) {
        Bytes bad = goodBytes;
        bad[at] ^= 0x5A;
        writeFile(path("damaged" + std::to_string(at) + ".exe"), bad);
        return "-edit:" + quoted("damaged" + std::to_string(at) + ".exe");
    };

    const std::string error = "Error loading file!|",
                      malformed = "Malformed commandline argument!|";
    const std::string refused = "prompt|Invalid passphrase!|prompt|";
    const std::string editor = editorExe();
    const struct {
        std::string exe, args, seen, codes;
    } roads[] = {
        {editor, "-edit", malformed, "-1"},
        {editor, "-erase", malformed, "-1"},
        {editor, "-EDIT", malformed, "-1"},
        {editor, "-EDIT:" + quoted("note.exe"), "prompt|editor:opened|", "0"},
        {editor, quoted("dropped file.txt") + " plain-word", "editor:|", "0"},
        {editor, "-erase:" + quoted("not there.exe"), "", "-1"},
        {editor, "-edit:" + quoted("missing.exe") + " -erase:" + quoted("victim.exe"), "", "0"},
        // A cancelled prompt: the note, its copy (which ends with 0) and the copy's erase.
        {path("other.exe"), "", refused, "0 0 0"},
        {path("damaged.exe"), "", error, "-1"},
        {editor, "-edit:" + quoted("damaged.exe"), error, "-1"},
        {editor, "-edit:" + quoted("plain.exe"), error, "-1"},
        // Only a copy in the temporary folder is erased, however it ends; never a note.
        {tempDir() + "Quillox-0D0D.exe", "-edit:" + quoted("damaged.exe"), error, "-1 0"},
        {path("Quillox-0F0F.exe"), "-edit:" + quoted("damaged.exe"), error, "-1"},
        {good, "-edit:" + quoted("note.exe"), "prompt|editor:opened|", "0"},
        {editor, damaged(trailer), error, "-1"},
        {editor, damaged(trailer + 7), error, "-1"},
        {editor, damaged(record), error, "-1"},
        {editor, damaged(record + 56), error, "-1"},   // payload length
        {editor, damaged(record + 8), refused, "0"},   // digest
        {editor, damaged(record + 60), refused, "0"},  // text length
        {editor, damaged(record + NoteHeader::kSize + 50), refused, "0"},
        {editor, damaged(record + 64), "prompt|editor:" + std::string(100, 'q') + "|", "0"},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.exe + " " + road.args);
        const auto [seen, codes] = run(road.exe, road.args);
        EXPECT_EQ(road.seen, seen);
        EXPECT_EQ(road.codes, codes);
    }
    EXPECT_FALSE(fileExists(path("victim.exe")));
    for (const std::string& kept :
         {editor, good, path("Quillox-0F0F.exe"), path("plain.exe"), path("dropped file.txt")})
        EXPECT_TRUE(fileExists(kept)) << kept;
    EXPECT_EQ(tooLong, readFile(path("damaged.exe"))) << "a damaged note is left as it was";
    EXPECT_TRUE(tempCopies().empty());

    // Held as a running copy holds its image: the erase retries for about three seconds.
    for (bool released : {true, false}) {
        const std::string copy = path(released ? "held1.exe" : "held2.exe");
        writeFile(copy, "MZ");
        Handle held(CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
        std::thread releaser([&] {
            Sleep(1000);
            if (released) held.reset();
        });
        const auto [seen, codes] = run(editor, "-erase:\"" + copy + "\"");
        releaser.join();
        EXPECT_EQ(released ? "" : "Error erasing tempfile!|", seen);
        EXPECT_EQ(released ? "0" : "-1", codes);
        EXPECT_EQ(!released, fileExists(copy));
    }
}

}  // namespace
}  // namespace e2e
