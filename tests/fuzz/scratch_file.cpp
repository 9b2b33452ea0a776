#include "scratch_file.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr char kPrefix[] = "quillox-fuzz-";

// Runs that ended by a signal (a crash, or the fork mode stopping its jobs) left their scratch
// files behind; they are removed once their process is gone.
const std::string& scratchFolder() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string d = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(d, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
            const long pid = std::strtol(name.c_str() + sizeof kPrefix - 1, nullptr, 10);
            if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                std::filesystem::remove(entry.path(), ec);
        }
        return d;
    }();
    return dir;
}

}  // namespace

ScratchFile::ScratchFile(const std::uint8_t* data, std::size_t n)
    : path_(scratchFolder() + "/" + kPrefix + std::to_string(getpid()) + ".bin") {
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    const bool ok = out && (n == 0 || std::fwrite(data, 1, n, out) == n);
    if (!out || std::fclose(out) != 0 || !ok) {
        std::perror(path_.c_str());
        std::abort();
    }
}

ScratchFile::~ScratchFile() {
    std::remove(path_.c_str());
    for (const auto& c : companions_) std::remove(c.c_str());
}

std::string ScratchFile::companion(const char* suffix) {
    companions_.push_back(path_ + suffix);
    return companions_.back();
}

std::string ScratchFile::contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
