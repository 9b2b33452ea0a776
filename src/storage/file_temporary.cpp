// Temporary files beside a target, for writes that replace the target in one step.
#include <cstdint>
#include <string>

#include "storage/file.h"
#include "storage/random.h"

namespace file {
namespace {

std::string folderOf(const std::string& path) {
    std::string::size_type cut = path.find_last_of("/\\");
#ifdef _WIN32
    if (cut == std::string::npos) cut = path.find(':');  // "C:note.exe"
#endif
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Eight uppercase hex digits of four random bytes. By hand: the printf family would bring a whole
// formatting library into the editor.
std::string randomHex() {
    std::uint8_t r[4] = {};
    secureRandom(r, sizeof r);
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : r) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

}  // namespace

std::string createTemporaryBeside(const std::string& target) {
    constexpr std::size_t kPathLimit = 259;  // MAX_PATH less the terminator
    const std::string folder = folderOf(target);
    const std::size_t nameRoom = target.size() - folder.size();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string hex = randomHex();
        std::string candidate = folder + "~quillox-" + hex + ".tmp";
        if (candidate.size() > kPathLimit) {
            // "~" and as many random hex digits as the target's own name has room for.
            const std::string name = "~" + hex;
            candidate = folder + name.substr(0, nameRoom < 5 ? 5 : (nameRoom > 9 ? 9 : nameRoom));
        }
        if (createNew(candidate.c_str())) return candidate;
        const int refusal = lastError();
        if (!exists(candidate.c_str())) {  // the folder refuses, for the reason createNew had
            setLastError(refusal);
            return std::string();
        }
    }
    return std::string();
}

}  // namespace file
