#include "startup/temp_name.h"

// Formats as "%s%s-%04X" would (directory, "Quillox", value), by hand: the printf family would
// bring its whole formatting engine into the editor for four digits.
bool buildTempName(const std::string& directory, unsigned value, std::string& name) {
    static const char kDigits[] = "0123456789ABCDEF";
    static const char kProduct[] = "Quillox-";
    const std::size_t length = directory.size() + (sizeof kProduct - 1) + 4 + 4;
    if (length > kMaxPathLength) return false;
    name = directory;
    name += kProduct;
    for (int shift = 12; shift >= 0; shift -= 4)
        name += kDigits[((value & 0x7FFFu) >> shift) & 0xF];
    name += ".exe";
    return true;
}
