// Scratch folders and whole files: the part of the test support that every platform builds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/buffer.h"

// A fresh folder (under the temporary directory, or under `parent` when one is given), removed
// with everything in it, read-only files included, when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& parent = {});
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string operator/(const std::string& name) const;
    const std::string& path() const { return path_; }
    // The names in the folder, sorted.
    std::vector<std::string> list() const;

private:
    std::string path_;
};

// Whole files. Reading shares the file with everyone, so a running executable can be read.
Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
inline void writeFile(const std::string& path, const Bytes& bytes) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}
inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
// `n` bytes of a fixed pseudo-random pattern, different for each seed.
Bytes patternBytes(std::size_t n, std::uint32_t seed = 1);
