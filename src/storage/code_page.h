// Text in Windows code pages: the platform's own conversions, kept thin; the rules around them
// are in text_encoding.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "storage/buffer.h"

// The code page number that means the system's ANSI code page on Windows.
constexpr unsigned kAnsiCodePage = 0;

// Bytes of code page `codePage` to UTF-16. 1252 is decoded by the table of text_encoding.h on
// every platform; other code pages by the platform (a byte it cannot map becomes U+FFFD).
// False when the platform does not know the code page.
bool fromCodePage(std::string_view bytes, unsigned codePage, U16String& out);

// The text in code page `codePage` when every character converts there and back unchanged: no
// best-fit substitute ("∑" as "S"), no default character. False otherwise, `out` then empty.
// `out` is sized once and wiped before it is given up, as it may hold a passphrase.
bool toCodePageExactly(std::u16string_view text, unsigned codePage, String& out);

#ifdef _WIN32
// How a note stores its text: the ANSI code page's bytes when the text fits it exactly (the
// form every note had before), otherwise UTF-8 with the note's kNoteUtf8 flag set.
struct StoredText {
    String bytes;
    bool utf8 = false;
};
StoredText storedFormOf(std::u16string_view text);
// The text of a note's stored bytes, read as UTF-8 or as the ANSI code page.
U16String textOfStoredForm(std::string_view bytes, bool utf8);
#endif
