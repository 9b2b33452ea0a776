// What the fuzz targets share: the invariant check, the passphrase, little-endian reads and the
// scratch file of a target that reads files.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

// A broken invariant is a finding: it aborts, naming the condition, and libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The targets try it on every record and the seeds are sealed with it, so that mutations of a
// seed reach the paths of a note that opens as well as those of one that does not.
constexpr char kFuzzPassphrase[] = "correct horse";

inline std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The input, in shared memory so a run costs no disk I/O; removed with the copies made beside it.
// Runs ended by a signal (a crash, the fork mode stopping jobs) leave theirs: the first run of a
// process removes those of processes that are gone.
struct ScratchFile {
    ScratchFile(const std::uint8_t* data, std::size_t n) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        const bool written = out && (n == 0 || std::fwrite(data, 1, n, out) == n);
        FUZZ_CHECK(out && std::fclose(out) == 0 && written);
    }
    ~ScratchFile() {
        for (const char* suffix : {"", ".saved", ".editor"}) std::remove((path + suffix).c_str());
    }
    static std::string folder() {
        const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            const long pid = std::atol(name.c_str() + 13);
            if (name.rfind("quillox-fuzz-", 0) == 0 && pid > 0 && kill(pid_t(pid), 0) != 0 &&
                errno == ESRCH)
                std::filesystem::remove(entry.path(), ec);
        }
        return dir + "/quillox-fuzz-";
    }
    const std::string path = [] {
        static const std::string prefix = folder();
        return prefix + std::to_string(getpid());
    }();
};
