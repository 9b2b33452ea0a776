// Rules of the editor's commands that need no window system: the file dialogs' filter and
// default extension, and whether an import was cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/buffer.h"

// A filter text is a label alone or a label, one NUL and a pattern; the dialog reads the list up
// to a double NUL, so the text (embedded NUL kept) is followed by two of them.
String buildFilterBuffer(std::string_view filterText);

// The chosen path with the default extension appended when the dialog reports none. The dialog
// reports "no extension" as offset 0, or as the offset of the terminator when it was given no
// default extension of its own; both count.
String withDefaultExtension(const String& path, std::size_t extensionOffset,
                            const char* defaultExtension);

// True when an imported text did not fit: the control stopped at its limit with characters of
// the text (counted as the control counts them) left over.
bool importWasCut(std::uint64_t textCharacters, std::int64_t editorCharacters, std::int64_t limit);

// How much of a chunk of text to hand to the control. The control turns a CR that ends one chunk
// and an LF that starts the next into two line ends, so a chunk never ends on a CR while more may
// follow: the CR goes out first in the next chunk. A chunk of one character goes out whole.
template <typename Char>
std::size_t chunkWithoutSplitLineEnd(const Char* data, std::size_t n) {
    return n > 1 && data[n - 1] == Char('\r') ? n - 1 : n;
}
