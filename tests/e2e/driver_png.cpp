#include "driver_png.h"

#include "driver_files.h"
#include "driver_keyboard.h"
#include "driver_wait.h"
#include "driver_window.h"

#include <algorithm>
#include <array>

namespace e2e {

namespace {

// The CRC-32 of ISO 3309 (reflected polynomial 0xEDB88320), one table entry per byte value.
std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void putBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char type[4],
              const std::vector<std::uint8_t>& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + typeAt, out.size() - typeAt));
}

}  // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const auto table = crcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adler32(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1, b = 0;
    for (std::size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() != rowBytes * height) {
        throw DriverError("encodePng: the pixel buffer does not match the size");
    }
    // Each scanline starts with filter type 0 (None).
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + y * rowBytes, rgb.begin() + (y + 1) * rowBytes);
    }

    // zlib: CMF 0x78 (deflate, 32 KiB window), FLG 0x01 (no dictionary, check bits make
    // 0x7801 a multiple of 31); stored blocks of at most 65535 bytes: BFINAL/BTYPE byte, LEN and
    // its complement NLEN little-endian, the bytes; Adler-32 of the raw data big-endian.
    std::vector<std::uint8_t> zlib{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + len == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(len));
        zlib.push_back(static_cast<std::uint8_t>(len >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~len));
        zlib.push_back(static_cast<std::uint8_t>(~len >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + len);
        at += len;
    } while (at < raw.size());
    putBig32(zlib, adler32(raw.data(), raw.size()));

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBig32(header, static_cast<std::uint32_t>(width));
    putBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filter 0, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

std::string saveScreenshot(HWND window, const std::string& name) {
    bringToFront(window);
    Sleep(300);  // let the program finish painting what it just showed
    const RECT rect = windowRect(window);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) throw DriverError("the window to photograph has no size");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const BOOL copied =
        bitmap && BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint8_t> rgb;
    if (copied) {
        rgb.reserve(static_cast<std::size_t>(width) * height * 3);
        const auto* pixel = static_cast<const std::uint8_t*>(bits);
        for (int i = 0; i < width * height; ++i, pixel += 4) {
            rgb.insert(rgb.end(), {pixel[2], pixel[1], pixel[0]});  // BGRX to RGB
        }
    }
    SelectObject(memory, old);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("cannot copy the window's pixels from the screen");

    const std::string folder = windowsPath(E2E_SCREENS_DIR);
    makeFolder(folder);
    const std::string path = joinPath(folder, name + ".png");
    writeFile(path, encodePng(width, height, rgb));
    return path;
}

}  // namespace e2e
