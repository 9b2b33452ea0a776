#include "startup/temp_name.h"

#include <cctype>

#include "storage/buffer.h"
#include "storage/text_encoding.h"

// Formats as "%s%s-%04X" would (directory, "Quillox", value), by hand: the printf family would
// bring its whole formatting engine into the editor for four digits.
bool buildTempName(const String& directory, unsigned value, String& name) {
    static const char kDigits[] = "0123456789ABCDEF";
    static const char kProduct[] = "Quillox-";
    const std::size_t length = utf8ToUtf16(directory).size() + (sizeof kProduct - 1) + 4 + 4;
    if (length > kMaxPathLength) return false;
    name = directory;
    name += kProduct;
    for (int shift = 12; shift >= 0; shift -= 4)
        name += kDigits[((value & 0x7FFFu) >> shift) & 0xF];
    name += ".exe";
    return true;
}

bool isTempName(const String& directory, const String& path) {
    static const char kPattern[] = "quillox-????.exe";  // ? stands for a hexadecimal digit
    const std::size_t patternLength = sizeof kPattern - 1;
    if (directory.empty() || path.size() != directory.size() + patternLength) return false;
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (std::size_t i = 0; i < directory.size(); ++i)
        if (lower(path[i]) != lower(directory[i])) return false;
    for (std::size_t i = 0; i < patternLength; ++i) {
        const char c = path[directory.size() + i];
        const bool ok = kPattern[i] == '?' ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                           : lower(c) == kPattern[i];
        if (!ok) return false;
    }
    return true;
}
