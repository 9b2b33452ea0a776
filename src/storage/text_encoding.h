// Text encodings the notes and text files use, without any platform API: UTF-8, UTF-16, the
// Windows-1252 code page, byte-order marks and the rule that tells how a text file is encoded.
// The editor and quillox-note both decide through these, so a file reads the same in either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/buffer.h"

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);
// The length of the well-formed UTF-8 sequence at `i` (1 for ASCII), or 0 when it is ill-formed
// or cut short by the end of `bytes`.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i);
bool isAscii(std::string_view bytes);
// The length of `bytes` without a UTF-8 sequence that a cut left incomplete at its end.
std::size_t utf8Boundary(std::string_view bytes);

// UTF-8 to UTF-16; each ill-formed sequence becomes U+FFFD.
U16String utf8ToUtf16(std::string_view bytes);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
String utf16ToUtf8(std::u16string_view text);
// Windows-1252 to UTF-16. The five bytes the code page leaves undefined map to the control
// characters of the same value, as Windows itself maps them.
U16String cp1252ToUtf16(std::string_view bytes);

// How a text file's bytes are to be read: a UTF-8 or UTF-16 byte-order mark says so; without one,
// well-formed UTF-8 that holds any non-ASCII byte is UTF-8; anything else is the ANSI code page,
// which only the caller knows.
enum class TextFileEncoding { Ansi, Utf8, Utf16LE, Utf16BE };
struct TextFileFormat {
    TextFileEncoding encoding;
    std::size_t bomBytes;
};
TextFileFormat detectTextFile(std::string_view bytes);
// Decodes every encoding but Ansi (answers false for Ansi, `out` untouched). A trailing odd byte
// of UTF-16 is dropped.
bool decodeTextFile(std::string_view bytes, const TextFileFormat& format, U16String& out);

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// The number of characters the editor control holds for a text: it keeps a CR LF pair as one.
std::uint64_t controlCharacters(std::u16string_view text);

// Line ends as Linux tools write them, and as the editor writes them.
String crlfToLf(std::string_view text);
U16String lfToCrlf(std::u16string_view text);
