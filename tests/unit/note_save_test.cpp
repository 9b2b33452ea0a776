#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "storage/report.h"
#include "test_files.h"

namespace {

std::vector<std::string> reported;
void collect(const char* message) { reported.push_back(message); }

class NoteSave : public ::testing::Test {
protected:
    void SetUp() override {
        reported.clear();
        report::setSink(collect);
        image = dir / "editor.exe";
        writeFile(image, editorBytes);
    }
    void TearDown() override {
        file::fault::disarm();
        report::setSink(nullptr);
    }

    // A document as the editor holds it after opening or typing.
    std::unique_ptr<NoteDocument> document(const std::string& text, const char* pass = "pw") {
        auto doc = std::make_unique<NoteDocument>(image);
        doc->setkey(pass);
        doc->settext(text);
        return doc;
    }

    static std::string openText(const std::string& path, const char* pass = "pw") {
        NoteDocument doc;
        if (!doc.load(path)) return "<no load>";
        doc.setkey(pass);
        std::string out;
        return doc.gettext(out) ? out : "<no verify>";
    }

    ScratchDir dir;
    std::string image;
    const Bytes editorBytes = patternBytes(70000, 42);
};

TEST_F(NoteSave, WritesTheEditorImageTheRecordAndTheTrailer) {
    auto doc = document("first text");
    const std::string target = dir / "note.exe";
    ASSERT_TRUE(doc->save(target, {800, 600, true}));
    EXPECT_EQ(target, doc->path);

    const Bytes file = readFile(target);
    EXPECT_EQ(editorBytes, Bytes(file.begin(), file.begin() + editorBytes.size()));
    FileEndData block(target, true);
    ASSERT_TRUE(block.hasData());
    EXPECT_EQ(editorBytes.size(), block.offset());
    EXPECT_EQ(file.size(), block.offset() + block.length() + 8);

    NoteDocument reader;
    ASSERT_TRUE(reader.load(target));
    EXPECT_EQ(800, reader.header.window_width);
    EXPECT_EQ(600, reader.header.window_height);
    EXPECT_EQ(NOTE_MAXIMIZED, reader.header.flags);
    EXPECT_EQ("first text", openText(target));
    EXPECT_EQ((std::vector<std::string>{"editor.exe", "note.exe"}), dir.list());
    EXPECT_TRUE(reported.empty());
}

TEST_F(NoteSave, ANoteSavedFromANoteCarriesOnlyTheEditorPart) {
    auto doc = document("one");
    ASSERT_TRUE(doc->save(dir / "a.exe", {}));
    // The editor started with "-edit" on a note executable: its own file carries a block.
    auto second = std::make_unique<NoteDocument>(dir / "a.exe");
    second->setkey("pw");
    second->settext("two, longer than one");
    second->header.flags = 0x40 | NOTE_MAXIMIZED;
    ASSERT_TRUE(second->save(dir / "a.exe", {300, 200, false}));
    FileEndData block(dir / "a.exe", true);
    EXPECT_EQ(editorBytes.size(), block.offset());
    EXPECT_EQ("two, longer than one", openText(dir / "a.exe"));
    NoteDocument reader;
    ASSERT_TRUE(reader.load(dir / "a.exe"));
    EXPECT_EQ(0x40u, reader.header.flags) << "other flag bits survive; maximized follows the window";
}

TEST_F(NoteSave, SavingTwiceWritesNewIvAndPayload) {
    auto doc = document("same");
    ASSERT_TRUE(doc->save(dir / "n.exe", {}));
    const Bytes first = readFile(dir / "n.exe");
    ASSERT_TRUE(doc->save(dir / "n.exe", {}));
    const Bytes second = readFile(dir / "n.exe");
    ASSERT_EQ(first.size(), second.size());
    EXPECT_NE(first, second);
    EXPECT_EQ("same", openText(dir / "n.exe"));
}

TEST_F(NoteSave, RefusesAnEmptyTextAndWritesNothing) {
    auto doc = document("");
    EXPECT_FALSE(doc->save(dir / "empty.exe", {}));
    EXPECT_FALSE(file::exists((dir / "empty.exe").c_str()));
    EXPECT_EQ(std::vector<std::string>{"Error saving file!"}, reported);
}

TEST_F(NoteSave, ReplacesAReadOnlyNoteFile) {
    auto doc = document("v1");
    const std::string target = dir / "ro.exe";
    ASSERT_TRUE(doc->save(target, {}));
    ASSERT_TRUE(file::setReadOnly(target.c_str(), true));
    doc->settext("v2");
    ASSERT_TRUE(doc->save(target, {}));
    EXPECT_EQ("v2", openText(target));
    EXPECT_FALSE(file::isReadOnly(target.c_str()));
}

TEST_F(NoteSave, FailsCleanlyWhereNothingCanBeWritten) {
    auto doc = document("text");
    EXPECT_FALSE(doc->save(dir / "no-such-folder/n.exe", {}));
    auto orphan = std::make_unique<NoteDocument>(dir / "missing-editor.exe");
    orphan->setkey("pw");
    orphan->settext("text");
    EXPECT_FALSE(orphan->save(dir / "n.exe", {}));
    EXPECT_EQ((std::vector<std::string>{"editor.exe"}), dir.list());
    EXPECT_EQ(2u, reported.size());
    EXPECT_TRUE(orphan->path.empty());
}

// Every step of a save that can fail is made to fail in turn, as an error and as a full disk. The
// old note must survive byte for byte, no temporary file may stay, and the user is told.
TEST_F(NoteSave, AFailureAtAnyStepLeavesTheOldNoteIntact) {
    const std::string target = dir / "note.exe";
    ASSERT_TRUE(document("the old text")->save(target, {640, 480, false}));
    Bytes old = readFile(target);

    int injected = 0;
    for (auto mode : {file::fault::Mode::Fail, file::fault::Mode::ShortWrite}) {
        for (int point = 1;; ++point) {
            SCOPED_TRACE(point);
            reported.clear();
            auto doc = std::make_unique<NoteDocument>(image);
            ASSERT_TRUE(doc->load(target));
            doc->setkey("pw");
            doc->settext("the new text, which is longer");
            file::fault::arm(point, mode);
            const bool saved = doc->save(target, {100, 100, true});
            const int passed = file::fault::pointsPassed();
            file::fault::disarm();
            if (passed < point) {
                // The whole save ran without reaching this point: every point has been tried.
                EXPECT_TRUE(saved);
                EXPECT_EQ("the new text, which is longer", openText(target));
                ASSERT_TRUE(document("the old text")->save(target, {640, 480, false}));
                break;
            }
            ++injected;
            EXPECT_FALSE(saved);
            EXPECT_EQ(old, readFile(target));
            EXPECT_EQ((std::vector<std::string>{"editor.exe", "note.exe"}), dir.list());
            EXPECT_EQ(std::vector<std::string>{"Error saving file!"}, reported);
            EXPECT_EQ(target, doc->path);
        }
        old = readFile(target);  // restored under a fresh IV
    }
    EXPECT_GE(injected, 10);
    std::printf("fault points injected: %d\n", injected);
}

}  // namespace
