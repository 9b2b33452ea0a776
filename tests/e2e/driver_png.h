// Screenshots for people to look at: a window's pixels written as a PNG file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t adler32(const std::uint8_t* data, std::size_t size);

// A truecolour PNG (8-bit RGB, no interlace) of `rgb` (width * height * 3 bytes, rows top
// down). The image data is a zlib stream of stored deflate blocks: no compression, so the
// writer stays a page long; screenshots are small enough for that.
std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

// Captures the window as it stands on the screen into <screens folder>\<name>.png and answers
// the path. The window is brought to the foreground first so that nothing covers it.
std::string saveScreenshot(HWND window, const std::string& name);

}  // namespace e2e
