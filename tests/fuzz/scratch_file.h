// The scratch file of one run of a fuzz target that reads files: it holds the input while the
// run lasts and is removed, with any companion made beside it, when the run ends. It lives in
// shared memory where that exists, so a run costs no disk I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ScratchFile {
public:
    ScratchFile(const std::uint8_t* data, std::size_t n);  // aborts if it cannot write
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    std::string companion(const char* suffix);  // a path beside it, removed with it
    std::string contents() const;

private:
    std::string path_;
    std::vector<std::string> companions_;
};
