// Paths and files as the driver sees them: Windows paths of the build tree, per-test folders,
// whole-file reads and the temporary directory that Quillox and the driver share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

using FileBytes = std::vector<std::uint8_t>;

// CMake hands the driver host paths; under Wine a Unix path "/a/b" is the drive Z: path "Z:\a\b".
std::string windowsPath(const std::string& hostPath);
std::string fullPath(const std::string& path);
std::string joinPath(const std::string& folder, const std::string& name);
std::string baseName(const std::string& path);

bool fileExists(const std::string& path);
FileBytes readFile(const std::string& path);
void writeFile(const std::string& path, const FileBytes& bytes);
void copyFile(const std::string& from, const std::string& to);
void makeFolder(const std::string& path);
// Deletes a folder and everything in it; read-only files included.
void removeTree(const std::string& path);
// The names (not paths) of the files in `folder` that match the wildcard `pattern`.
std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern);

// GetTempPathA's folder, with its trailing backslash.
std::string tempFolder();

}  // namespace e2e
