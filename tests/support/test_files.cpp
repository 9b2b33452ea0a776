#include "test_files.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& parent) {
    static std::atomic<unsigned> serial{0};
    const fs::path base = parent.empty() ? fs::temp_directory_path() : fs::path(parent);
    const fs::path dir =
        base / ("quillox-test-" + std::to_string(std::random_device{}()) + "-" +
                std::to_string(serial++));
    fs::create_directories(dir);
    path_ = dir.string();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    for (auto& entry : fs::recursive_directory_iterator(path_, ec))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ScratchDir::operator/(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::vector<std::string> ScratchDir::listFiles(const std::string& folder) {
    std::vector<std::string> names;
#ifdef _WIN32
    // The narrow API, so names come back in the code page the product uses.
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") names.push_back(name);
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
#else
    for (auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
#endif
    std::sort(names.begin(), names.end());
    return names;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const std::string& path, const std::string& text) { writeFile(path, bytesOf(text)); }

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes patternBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(gen());
    return out;
}
