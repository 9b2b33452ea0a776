// Temporary files beside a target, for writes that replace the target in one step.
#include <cstdint>

#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/random.h"

namespace file {
namespace {

String folderOf(const String& path) {
    String::size_type cut = path.find_last_of("/\\");
#ifdef _WIN32
    if (cut == String::npos) cut = path.find(':');  // "C:note.exe"
#endif
    return cut == String::npos ? String() : path.substr(0, cut + 1);
}

// Eight uppercase hex digits of four random bytes. By hand: the printf family would bring a whole
// formatting library into the editor.
String randomHex() {
    std::uint8_t r[4] = {};
    secureRandom(r, sizeof r);
    static const char kDigits[] = "0123456789ABCDEF";
    String hex;
    for (std::uint8_t b : r) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

}  // namespace

String createTemporaryBeside(const String& target) {
    constexpr std::size_t kPathLimit = 259;  // MAX_PATH less the terminator
    const String folder = folderOf(target);
    const std::size_t nameRoom = target.size() - folder.size();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const String hex = randomHex();
        String candidate = folder + "~quillox-" + hex + ".tmp";
        if (candidate.size() > kPathLimit) {
            // "~" and as many random hex digits as the target's own name has room for.
            const String name = "~" + hex;
            candidate = folder + name.substr(0, nameRoom < 5 ? 5 : (nameRoom > 9 ? 9 : nameRoom));
        }
        if (createNew(candidate.c_str())) return candidate;
        const int refusal = lastError();
        if (!exists(candidate.c_str())) {  // the folder refuses, for the reason createNew had
            setLastError(refusal);
            return String();
        }
    }
    return String();
}

}  // namespace file
