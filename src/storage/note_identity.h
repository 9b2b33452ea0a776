// Which save of a note a file holds: enough for a later save to tell whether the note file is
// still the one a document read or last wrote, or something else has written it since.
#pragma once

#include <array>
#include <cstdint>

#include "storage/buffer.h"
#include "storage/file.h"

struct NoteHeader;

struct NoteIdentity {
    bool present = false;         // a file was there
    std::uint64_t size = 0;       // of the whole file
    std::uint64_t lastWrite = 0;  // the platform's last-write time, compared only for equality
    std::array<std::uint8_t, 16> iv{};  // of the record it holds; zero when it holds none
    std::array<std::uint8_t, 32> digest{};
};

// Every save draws a fresh IV, so the IV and digest tell two saves apart even where file times
// are coarse or a copy tool has set them back; size and time catch a rewrite that keeps the
// record (a setting changed beside it, a new editor image). Only a file that matches in all four
// is the same note; two looks that both found nothing agree too.
bool sameNote(const NoteIdentity& remembered, const NoteIdentity& now);

// The identity of a file seen with `stamp` (when `present`) that holds `header`'s record.
NoteIdentity noteIdentity(bool present, const file::Stamp& stamp, const NoteHeader& header);

// Looks at the note file at `path`: its size and time, then the IV and digest of its record,
// each file opened for reading only for the moment of its read. False when a look fails, since
// nothing can be said about the file then; a missing file, or one without a record, is an answer.
bool lookAtNote(const String& path, NoteIdentity& now);
