#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class NoteSave : public ::testing::Test {
protected:
    void SetUp() override { writeFile(image, editorBytes); }
    void TearDown() override { file::fault::disarm(); }

    std::unique_ptr<NoteDocument> document(const std::string& text,
                                           const std::string& editor = "") {
        auto doc = std::make_unique<NoteDocument>(editor.empty() ? image : editor);
        doc->setKey("pw");
        doc->setText(text);
        return doc;
    }
    bool save(const std::string& target, const std::string& text) {
        return static_cast<bool>(document(text)->save(target, {}));
    }
    static std::string openText(const std::string& path) {
        NoteDocument doc;
        if (!doc.load(path)) return "<no load>";
        doc.setKey("pw");
        String out;
        return doc.getText(out) ? out : "<no verify>";
    }

    ScratchDir dir;
    const std::string image = dir / "editor.exe";
    const Bytes editorBytes = patternBytes(70000, 42);
};

TEST_F(NoteSave, WritesTheEditorImageTheRecordAndTheTrailer) {
    auto doc = document("first text");
    const std::string target = dir / "note.exe";
    ASSERT_TRUE(doc->save(target, {800, 600, true}));
    EXPECT_EQ(target, doc->path);
    const Bytes first = readFile(target);
    NoteDocument reader;
    ASSERT_TRUE(reader.load(target));
    EXPECT_EQ(std::make_tuple(800, 600, kNoteMaximized),
              std::make_tuple(reader.header.windowWidth, reader.header.windowHeight,
                              reader.header.flags));
    EXPECT_EQ("first text", openText(target));
    // Saved again unchanged: a fresh IV. Saved from the note itself, as a note executable's own
    // editor does: only its editor part is carried over.
    ASSERT_TRUE(doc->save(target, {800, 600, true}));
    EXPECT_NE(first, readFile(target));
    auto second = document("two, longer than one", target);
    second->header.flags = 0x40 | kNoteMaximized;
    ASSERT_TRUE(second->save(target, {300, 200, false}));
    EXPECT_EQ("two, longer than one", openText(target));
    ASSERT_TRUE(reader.load(target));
    EXPECT_EQ(0x40u, reader.header.flags)
        << "other flag bits survive; maximized follows the window";
    EXPECT_EQ((std::vector<std::string>{"editor.exe", "note.exe"}), dir.list());
}

TEST_F(NoteSave, RefusedSavesWriteNothingAndSaySo) {
    const struct {
        const char* text;
        std::string editor, target;
    } cases[] = {
        {"", image, dir / "empty.exe"},  // an empty note could never be opened again
        {"text", dir / "missing-editor.exe", dir / "n.exe"},
    };
    for (const auto& c : cases) {
        auto doc = document(c.text, c.editor);
        const IoStatus saved = doc->save(c.target, {});
        EXPECT_EQ(IoFault::NotWritten, saved.fault) << c.target;
        EXPECT_TRUE(doc->path.empty());
        EXPECT_EQ(0u, saveFailureText(saved, c.target).find("Error saving file!"));
        EXPECT_EQ((std::vector<std::string>{"editor.exe"}), dir.list());
    }
}

// A load that fails tells a file it cannot read, with the system's reason, from one that holds no
// note or a damaged one, and leaves the document as it was.
TEST_F(NoteSave, ALoadThatFailsSaysWhyAndLeavesTheDocumentAlone) {
    const std::string note = dir / "note.exe";
    ASSERT_TRUE(save(note, "text"));
    Bytes overlong = editorBytes, badMagic = readFile(note);
    overlong += Bytes{0xEF, 0xBE, 0xAD, 0xDE, 0xFF, 0xFF, 0xFF, 0x7F};
    badMagic[editorBytes.size()] ^= 1;
    writeFile(dir / "overlong.exe", overlong);
    writeFile(dir / "bad-magic.exe", badMagic);
    const struct {
        const char* name;
        IoFault fault;
    } cases[] = {{"missing.exe", IoFault::Unreadable},
                 {"editor.exe", IoFault::NotANote},
                 {"overlong.exe", IoFault::Damaged},
                 {"bad-magic.exe", IoFault::Damaged}};
    NoteDocument doc;
    ASSERT_TRUE(doc.load(note));
    for (const auto& c : cases) {
        const IoStatus loaded = doc.load(dir / c.name);
        EXPECT_EQ(c.fault, loaded.fault) << c.name;
        EXPECT_EQ(c.fault == IoFault::Unreadable, loaded.systemError != 0) << c.name;
        EXPECT_EQ(c.fault == IoFault::Unreadable
                      ? "Error loading file!\n\n" + file::systemMessage(loaded.systemError)
                      : "Error loading file!",
                  failureText("Error loading file!", loaded.systemError));
        EXPECT_EQ(note, doc.path);
    }
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// Each step of a save over a read-only note (its looks at the file too) fails in turn, as an error
// and as a full disk: the note stays as it was, nothing is left, the user is told; then it saves.
TEST_F(NoteSave, AFailureAtAnyStepLeavesTheOldNoteIntactAndReadOnly) {
    const std::string target = dir / "note.exe";
    int injected = 0;
    for (auto mode : {file::fault::Mode::Fail, file::fault::Mode::ShortWrite}) {
        ASSERT_TRUE(document("the old text")->save(target, {640, 480, false}));
        ASSERT_TRUE(file::setReadOnly(target.c_str(), true));
        const Bytes old = readFile(target);
        for (int point = 1;; ++point) {
            SCOPED_TRACE(point);
            auto doc = document("the new text, which is longer");
            ASSERT_TRUE(doc->load(target));
            doc->setText("the new text, which is longer");
            file::fault::arm(point, mode);
            const IoStatus saved =
                doc->save(target, {100, 100, true}, [](NoteChange) { return false; });
            const int passed = file::fault::pointsPassed();
            file::fault::disarm();
            if (passed < point) {
                // The whole save ran without reaching this point: every point has been tried.
                EXPECT_TRUE(saved);
                EXPECT_EQ("the new text, which is longer", openText(target));
                // POSIX keeps the replaced file's mode; on Windows ReplaceFileA needs it cleared.
                EXPECT_NE(kWindows, file::isReadOnly(target.c_str()));
                break;
            }
            ++injected;
            EXPECT_FALSE(saved);
            EXPECT_EQ(old, readFile(target));
            EXPECT_TRUE(file::isReadOnly(target.c_str()));
            EXPECT_EQ((std::vector<std::string>{"editor.exe", "note.exe"}), dir.list());
            // The reason is the failed step's own: a full disk for a write, else a refusal.
            EXPECT_TRUE(saved.systemError == file::kDiskFull ||
                        saved.systemError == file::kAccessDenied)
                << saved.systemError;
            EXPECT_EQ("Error saving file!\n\n" + file::systemMessage(saved.systemError),
                      saveFailureText(saved, target));
            EXPECT_EQ(target, doc->path);
        }
    }
    EXPECT_GE(injected, 10);
}

// The note file the document read or last wrote is replaced without a word; one changed or
// removed since, only if the user agrees.
TEST_F(NoteSave, AChangedOrVanishedNoteIsReplacedOnlyIfTheUserAgrees) {
    const std::string target = dir / "note.exe";
    ASSERT_TRUE(save(target, "first"));
    auto doc = document("mine");
    ASSERT_TRUE(doc->load(target));
    doc->setText("mine");
    std::vector<NoteChange> asked;
    const auto answer = [&asked](bool yes) {
        return [&asked, yes](NoteChange change) {
            asked.push_back(change);
            return yes;
        };
    };
    ASSERT_TRUE(doc->save(target, {}, answer(false)));
    EXPECT_TRUE(asked.empty());
    // Another text under the same IV, in a file of the same size and time: the digest tells.
    Bytes same = readFile(target);
    same[editorBytes.size() + 8] ^= 1;
    const auto time = std::filesystem::last_write_time(target);
    writeFile(target, same);
    std::filesystem::last_write_time(target, time);
    EXPECT_FALSE(doc->save(target, {}, answer(false)));
    ASSERT_TRUE(save(target, "theirs"));
    EXPECT_FALSE(doc->save(target, {}, answer(false)));
    EXPECT_EQ("theirs", openText(target));
    writeFile(target, "short");  // a look that reads to the end of a file is no failure
    EXPECT_EQ(IoFault::Declined, doc->save(target, {}, answer(false)).fault);
    file::remove(target.c_str());
    EXPECT_TRUE(doc->save(target, {}, answer(true)));
    EXPECT_EQ("mine", openText(target));
    const NoteChange changed = NoteChange::Changed;
    EXPECT_EQ((std::vector<NoteChange>{changed, changed, changed, NoteChange::Gone}), asked);
}

TEST_F(NoteSave, NamesWithBlanksAndHighCharactersAndPathsAtTheLengthLimit) {
    // 259 characters is the longest path the narrow Windows API opens. Up to there the temporary
    // file is "~quillox-XXXXXXXX.tmp"; beyond, "~" and hex digits as long as the name, 5 to 9.
    const struct {
        std::size_t folder, name, temporary;  // lengths, the folder's with its slash
    } cases[] = {{238, 8, 259}, {239, 8, 247},  {254, 5, 259},
                 {250, 4, 255}, {245, 14, 254}, {229, 30, 250}};
    const std::string names = " caf\xE9 \xD6l" + std::string(30, 'n');  // blanks, high bytes
    for (const auto& c : cases) {
        const std::string folder =
            dir.path() + "/" + std::string(c.folder - dir.path().size() - 2, 'f') + "/";
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        const std::string target = folder + names.substr(0, c.name - 4) + ".exe";
        const std::string temporary = file::createTemporaryBeside(target);
        EXPECT_EQ(c.temporary, temporary.size()) << temporary;
        EXPECT_TRUE(file::exists(temporary.c_str()));
        EXPECT_TRUE(file::remove(temporary.c_str()));
        EXPECT_TRUE(save(target, "long path")) << target.size();
        EXPECT_EQ("long path", openText(target));
        file::remove(target.c_str());
    }
}

#ifdef _WIN32
// Held by a reader that lets others read: the target can still be looked at, but neither a block
// written into it nor its replacement may get through.
TEST_F(NoteSave, ATargetHeldOpenByAnotherProcessIsNotDamaged) {
    const std::string target = dir / "held.exe";
    ASSERT_TRUE(save(target, "kept"));
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(FileEndData(target, false).writeData(patternBytes(4)));
    const IoStatus saved = document("lost")->save(target, {});
    EXPECT_EQ(static_cast<int>(ERROR_SHARING_VIOLATION), saved.systemError);
    EXPECT_EQ("Error saving file!\n\n" + file::systemMessage(ERROR_SHARING_VIOLATION),
              saveFailureText(saved, target));
    EXPECT_EQ("kept", openText(target));
    CloseHandle(held);
    // Held without sharing, as a program writing it holds it: a load says so.
    held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(static_cast<int>(ERROR_SHARING_VIOLATION), NoteDocument().load(target).systemError);
    CloseHandle(held);
    EXPECT_EQ((std::vector<std::string>{"editor.exe", "held.exe"}), dir.list());
}
#endif

}  // namespace
