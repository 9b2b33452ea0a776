// Note files in awkward places: names with blanks and non-ASCII bytes, paths at the length limit,
// files and folders that refuse writing, targets held open by someone else.
#include <gtest/gtest.h>

#include "storage/file.h"
#include "storage/note_document.h"
#include "storage/report.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

int errorsReported = 0;
void countError(const char*) { ++errorsReported; }

class HostilePaths : public ::testing::Test {
protected:
    void SetUp() override {
        errorsReported = 0;
        report::setSink(countError);
        image = dir / "editor.exe";
        writeFile(image, patternBytes(20000, 9));
    }
    void TearDown() override { report::setSink(nullptr); }

    bool save(const std::string& target, const std::string& text) {
        NoteDocument doc(image);
        doc.setkey("pw");
        doc.settext(text);
        return doc.save(target, {});
    }
    static std::string reopen(const std::string& path) {
        NoteDocument doc;
        if (!doc.load(path)) return "<no load>";
        doc.setkey("pw");
        std::string text;
        return doc.gettext(text) ? text : "<no verify>";
    }
    // Files in the folder other than the editor and the given note.
    std::vector<std::string> strays(const std::string& keep) const {
        std::vector<std::string> out;
        for (auto& name : dir.list())
            if (name != "editor.exe" && name != keep) out.push_back(name);
        return out;
    }

    ScratchDir dir;
    std::string image;
};

TEST_F(HostilePaths, NamesWithBlanksAndHighCharacters) {
    for (const char* name : {"my notes.exe", "caf\xE9 \xD6l.exe", " leading blank.exe", "a.b.c"}) {
        SCOPED_TRACE(name);
        const std::string target = dir / name;
        ASSERT_TRUE(save(target, "text for " + std::string(name)));
        EXPECT_EQ("text for " + std::string(name), reopen(target));
        // Counted, not named: the name comes back in whatever encoding the platform lists in.
        EXPECT_EQ(2u, dir.list().size());
        file::remove(target.c_str());
    }
}

TEST_F(HostilePaths, PathsAtTheLengthLimit) {
    // 259 characters is the longest path the narrow Windows API opens; the temporary file beside
    // the target must fit wherever the target itself fits.
    const std::string base = dir.path() + "/";
    for (std::size_t length : {259u, 258u, 240u}) {
        for (std::size_t nameLength : {5u, 12u, 30u}) {
            SCOPED_TRACE(std::to_string(length) + "/" + std::to_string(nameLength));
            const std::size_t folderLength = length - nameLength;  // includes the trailing slash
            if (folderLength <= base.size()) continue;
            std::string folder = base + std::string(folderLength - base.size() - 1, 'f');
#ifdef _WIN32
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
#else
            std::string mk = "mkdir -p '" + folder + "'";
            ASSERT_EQ(0, std::system(mk.c_str()));
#endif
            std::string target = folder + "/" + std::string(nameLength - 4, 'n') + ".exe";
            ASSERT_EQ(length, target.size());
            EXPECT_TRUE(save(target, "long path"));
            EXPECT_EQ("long path", reopen(target));
            file::remove(target.c_str());
        }
    }
}

TEST_F(HostilePaths, MissingFolderFailsAndLeavesNothing) {
    EXPECT_FALSE(save(dir / "nowhere/note.exe", "text"));
    EXPECT_EQ(1, errorsReported);
    EXPECT_TRUE(strays("").empty());
}

TEST_F(HostilePaths, AReadOnlyNoteIsReplacedAndAFailedOneKeepsItsAttribute) {
    const std::string target = dir / "ro.exe";
    ASSERT_TRUE(save(target, "one"));
    ASSERT_TRUE(file::setReadOnly(target.c_str(), true));
    EXPECT_TRUE(save(target, "two"));
    EXPECT_EQ("two", reopen(target));

    ASSERT_TRUE(file::setReadOnly(target.c_str(), true));
    const Bytes before = readFile(target);
    NoteDocument doc(image);
    doc.setkey("pw");
    doc.settext("three");
    // Fail the replace itself: the attribute that was cleared for it comes back.
    int points = 0;
    {
        NoteDocument probe(image);
        probe.setkey("pw");
        probe.settext("three");
        file::fault::arm(100000);
        ASSERT_TRUE(probe.save(dir / "probe.exe", {}));
        points = file::fault::pointsPassed();
        file::fault::disarm();
        file::remove((dir / "probe.exe").c_str());
    }
    file::fault::arm(points + 1);  // the read-only target adds one attribute step before replace
    EXPECT_FALSE(doc.save(target, {}));
    file::fault::disarm();
    EXPECT_EQ(before, readFile(target));
    EXPECT_TRUE(file::isReadOnly(target.c_str()));
    file::setReadOnly(target.c_str(), false);
    EXPECT_TRUE(strays("ro.exe").empty());
}

#ifdef _WIN32
TEST_F(HostilePaths, ATargetHeldOpenByAnotherProcessIsNotDamaged) {
    const std::string target = dir / "held.exe";
    ASSERT_TRUE(save(target, "kept"));
    const Bytes before = readFile(target);
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(save(target, "lost"));
    CloseHandle(held);
    EXPECT_EQ(before, readFile(target));
    EXPECT_EQ("kept", reopen(target));
    EXPECT_EQ(std::vector<std::string>{}, strays("held.exe"));
}
#else
TEST_F(HostilePaths, AFolderThatRefusesWritingFailsCleanly) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const std::string folder = dir / "locked";
    ASSERT_EQ(0, std::system(("mkdir '" + folder + "'").c_str()));
    ASSERT_TRUE(save(folder + "/n.exe", "before"));
    ASSERT_EQ(0, std::system(("chmod 555 '" + folder + "'").c_str()));
    EXPECT_FALSE(save(folder + "/n.exe", "after"));
    std::system(("chmod 755 '" + folder + "'").c_str());
    EXPECT_EQ("before", reopen(folder + "/n.exe"));
}
#endif

}  // namespace
