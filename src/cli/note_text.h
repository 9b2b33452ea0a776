// How quillox-note turns a note's stored text into what `cat` writes, and a text file into what
// `seal` stores. The stored form is the editor's: code-page bytes, or UTF-8 with kNoteUtf8.
#pragma once

#include <string_view>

#include "storage/buffer.h"

// The text as UTF-8 with the platform's line ends (LF outside Windows): a UTF-8 note as it is,
// any other note decoded from `codePage`. False when the code page is unknown here.
bool noteTextAsUtf8(std::string_view stored, bool utf8, unsigned codePage, String& out);

// A text file read as the editor's Import reads it (byte-order marks, UTF-8, else `codePage`),
// with LF line ends stored as the editor stores them (CR LF). A text that is pure ASCII is
// stored as it is; any other text as UTF-8, since no tool can know the code page of the Windows
// that will open the note, and UTF-8 opens right on every one.
struct SealedText {
    String bytes;
    bool utf8 = false;
    unsigned long long characters = 0;  // as the editor's control counts them
};
bool sealedFormOf(std::string_view file, unsigned codePage, SealedText& out);

// Writes UTF-8 text to standard output; a Windows console is given UTF-16, so that it shows every
// character whatever its own code page.
bool writeUtf8Out(std::string_view text);
