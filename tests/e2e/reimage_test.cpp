// A note moved onto another editor build by quillox-note's reimage keeps its record byte for
// byte and opens in the editor it now carries.
#include "e2e_fixture.h"

#include "storage/file_end_data.h"

namespace e2e {
namespace {

class Reimage : public QuilloxTest {};

FileBytes recordAndTrailer(const std::string& note) {
    const FileBytes bytes = readFile(note);
    const std::uint32_t image = FileEndData(note, true).offset();
    return FileBytes(bytes.begin() + image, bytes.end());
}

TEST_F(Reimage, NoteOpensOnItsNewEditor) {
    const std::string note = makeNote("note.exe", "Carried forward\r\nto a new build", "pw");
    const FileBytes record = recordAndTrailer(note);
    // The test build of the editor stands in for a newer build: other bytes, same behaviour.
    const std::string newer = path("newer.exe");
    copyFile(QUILLOX_FAULTY_EXE, newer);
    Process& tool =
        family().start(QUILLOX_NOTE_EXE, "reimage --image \"" + newer + "\" \"" + note + "\"",
                       "quillox-note reimage");
    ASSERT_EQ(0u, tool.waitExit(kPatience));

    const FileBytes editor = readFile(newer), bytes = readFile(note);
    ASSERT_EQ(editor.size() + record.size(), bytes.size());
    EXPECT_TRUE(std::equal(editor.begin(), editor.end(), bytes.begin())) << "the new editor part";
    EXPECT_TRUE(record == recordAndTrailer(note)) << "the record and trailer, byte for byte";

    OpenedNote opened = openNote(note, "pw");
    EXPECT_EQ("Carried forward\r\nto a new build", opened.editor.text());
    closeAndExpectCleanEnd(opened);
}

}  // namespace
}  // namespace e2e
