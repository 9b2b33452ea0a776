// Scratch folders and whole-file helpers for the tests of the storage code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string operator/(const std::string& name) const;
    const std::string& path() const { return path_; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> list() const;

private:
    std::string path_;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
void writeFile(const std::string& path, const std::string& text);
Bytes bytesOf(const std::string& text);
// `n` bytes of a fixed pseudo-random pattern, different for each seed.
Bytes patternBytes(std::size_t n, std::uint32_t seed = 1);
