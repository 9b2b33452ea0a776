// Looking at a note without trusting it: its editor part, its trailer and record, and the record
// inside a file whose end was damaged. Nothing here writes.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/buffer.h"
#include "storage/note_document.h"

namespace cli {

// SHA-256 of the first `length` bytes of the file, lowercase hex; false when they cannot be read.
bool fingerprint(const String& path, std::uint32_t length, String& hex);

// Empty when the first `length` bytes of the file begin as a Windows executable image does (the
// DOS header, and the PE signature where it points); otherwise what is wrong, in words.
String executableProblem(const String& path, std::uint32_t length);

// The editor part a note built on `path` receives (all of it, or what comes before its note).
struct EditorPart {
    String path;
    std::uint32_t length = 0;
    String sha256;
};
// For --image: 0, or the exit code once the reason EDITOR cannot serve has been told.
int readEditor(const String& path, EditorPart& editor);

// What `verify` finds in one note; `code` is the highest exit code among the problems.
struct NoteCheck {
    int code = 0;
    std::vector<String> problems;
    String sha256;  // of the editor part, when the structure let it be found
};
// `passphrase` null: the structure only; its bytes are chosen by `codePage`. `editor` null: any
// editor part will do. A note the passphrase opens only in its weakened form has that problem,
// with exit code 0: the passphrase is right.
NoteCheck checkNote(const String& path, const U16String* passphrase, unsigned codePage,
                    const EditorPart* editor);

// The header of a note or record file for `info`: the trailer and the header are all it reads.
// 0, or the exit code once the failure has been told; `image` is the editor part's length.
int loadHeader(const String& path, NoteHeader& h, bool& recordFile, std::uint32_t& image);

// The note records in `data`, found by their magic and their own lengths: the offsets of every
// stretch that parses as a whole record, in file order.
std::vector<std::uint32_t> findRecords(const Bytes& data);
// The size of the record that starts at `offset` (which findRecords gave).
std::uint32_t recordSizeAt(const Bytes& data, std::uint32_t offset);

}  // namespace cli
