#include "test_files.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& parent) {
    static std::atomic<unsigned> serial{0};
    const fs::path base = parent.empty() ? fs::temp_directory_path() : fs::path(parent);
    const fs::path dir = base / ("quillox-test-" + std::to_string(std::random_device{}()) + "-" +
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

std::vector<std::string> ScratchDir::list() const {
    std::vector<std::string> names;
    for (auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

Bytes patternBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(gen());
    return out;
}
