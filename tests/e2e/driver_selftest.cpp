// Checks of the driver itself, against programs whose behaviour is known: the PNG writer, the
// process family, message boxes, the keyboard, screenshots and the menu probe.
#include "driver_files.h"
#include "driver_keyboard.h"
#include "driver_menu.h"
#include "driver_png.h"
#include "driver_process.h"
#include "driver_wait.h"
#include "driver_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <thread>

namespace e2e {
namespace {

std::uint32_t big32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

// Walks the chunks of a PNG written by encodePng, checks every CRC and undoes the stored deflate
// blocks; answers the image data (filter bytes included).
std::vector<std::uint8_t> unpackStoredPng(const std::vector<std::uint8_t>& png,
                                          std::uint32_t& width, std::uint32_t& height) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(0, std::memcmp(png.data(), signature, 8));
    std::vector<std::uint8_t> zlib;
    std::size_t at = 8;
    std::string order;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = big32(&png[at]);
        const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
        EXPECT_EQ(crc32(&png[at + 4], length + 4), big32(&png[at + 8 + length]))
            << "CRC of " << type;
        if (type == "IHDR") {
            width = big32(&png[at + 8]);
            height = big32(&png[at + 12]);
        }
        if (type == "IDAT") zlib.insert(zlib.end(), &png[at + 8], &png[at + 8] + length);
        order += type + " ";
        at += 12 + length;
    }
    EXPECT_EQ("IHDR IDAT IEND ", order);
    EXPECT_EQ(at, png.size());

    std::vector<std::uint8_t> raw;
    std::size_t z = 2;
    EXPECT_EQ(0, ((zlib[0] << 8) | zlib[1]) % 31) << "zlib header check bits";
    for (bool last = false; !last;) {
        last = zlib[z] & 1;
        EXPECT_EQ(0, zlib[z] & 6) << "block type must be stored";
        const unsigned len = zlib[z + 1] | (zlib[z + 2] << 8);
        const unsigned nlen = zlib[z + 3] | (zlib[z + 4] << 8);
        EXPECT_EQ(len, nlen ^ 0xFFFFu);
        raw.insert(raw.end(), &zlib[z + 5], &zlib[z + 5] + len);
        z += 5 + len;
    }
    EXPECT_EQ(adler32(raw.data(), raw.size()), big32(&zlib[z]));
    EXPECT_EQ(z + 4, zlib.size());
    return raw;
}

TEST(DriverPng, ChecksumsMatchPublishedValues) {
    const std::uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(0xAE426082u, crc32(iend, 4));  // the CRC every PNG ends with
    const std::uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(0xCBF43926u, crc32(digits, 9));  // the CRC-32 check value
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(0x11E60398u,
              adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()));
}

TEST(DriverPng, ImageDataSurvivesStoredBlocks) {
    // 300 x 80 pixels make 72,080 bytes of scanlines: two stored blocks, the second partial.
    const int width = 300, height = 80;
    std::vector<std::uint8_t> rgb(width * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    std::uint32_t w = 0, h = 0;
    const auto raw = unpackStoredPng(encodePng(width, height, rgb), w, h);
    EXPECT_EQ(300u, w);
    EXPECT_EQ(80u, h);
    ASSERT_EQ(static_cast<std::size_t>((width * 3 + 1) * height), raw.size());
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(0, raw[y * (width * 3 + 1)]) << "filter byte of row " << y;
        ASSERT_EQ(0, std::memcmp(&raw[y * (width * 3 + 1) + 1], &rgb[y * width * 3], width * 3))
            << "row " << y;
    }
}

TEST(DriverProcess, FamilyKnowsExitCodesOfGrandchildren) {
    ProcessFamily family;
    Process& shell = family.start("C:\\windows\\system32\\cmd.exe", "/c cmd.exe /c exit 3", "cmd");
    EXPECT_EQ(3u, shell.waitExit(kPatience));  // cmd /c passes its child's exit code on
    // The inner cmd was started by the outer one, not by the driver.
    Process& inner = family.waitMember("cmd.exe", 1, kPatience);
    EXPECT_EQ(3u, inner.waitExit(kPatience));
}

TEST(DriverProcess, WaitNamesWhatItAwaited) {
    WindowQuery query = dialogTitled("No such window here");
    try {
        waitWindow(query, 100);
        FAIL() << "waitWindow found a window that does not exist";
    } catch (const DriverError& error) {
        EXPECT_NE(std::string(error.what()).find("\"No such window here\""), std::string::npos)
            << error.what();
    }
}

TEST(DriverWindow, ReadsAndAnswersAMessageBox) {
    auto answer = std::async(std::launch::async, [] {
        return MessageBoxA(nullptr, "Shall the driver press No?", "e2e self-test", MB_YESNOCANCEL);
    });
    const MessageBoxView box = answerMessageBox("e2e self-test", IDNO, GetCurrentProcessId());
    EXPECT_EQ("Shall the driver press No?", box.text);
    EXPECT_EQ(IDNO, answer.get());
}

TEST(DriverKeyboard, TypesIntoAnotherProgramAndPhotographsIt) {
    ProcessFamily family;
    Process& notepad = family.start("C:\\windows\\notepad.exe", "", "notepad");
    WindowQuery query;
    query.className = "Notepad";
    query.pid = notepad.pid();
    HWND window = waitWindow(query);
    HWND edit = descendant(window, "Edit");
    typeText(window, "Typed, Shifted!\nline 2");
    waitUntil([&] { return controlText(edit) == "Typed, Shifted!\r\nline 2"; },
              "notepad to show the typed text");
    pressChord(window, {VK_CONTROL, 'A'});
    waitUntil([&] { return editSelection(edit) == std::make_pair(0, 23); },
              "Ctrl+A to select all of notepad's text");

    const std::string png = saveScreenshot(window, "selftest-notepad");
    const FileBytes bytes = readFile(png);
    ASSERT_GT(bytes.size(), 24u);
    const RECT rect = windowRect(window);
    EXPECT_EQ(static_cast<std::uint32_t>(rect.right - rect.left), big32(&bytes[16]));
    EXPECT_EQ(static_cast<std::uint32_t>(rect.bottom - rect.top), big32(&bytes[20]));
    family.killAll();
}

TEST(DriverMenu, ProbeReadsGrayedItems) {
    // A window with a menu on a thread of the driver: the probe takes the same road into this
    // process as into any other.
    std::promise<HWND> created;
    std::promise<void> done;
    auto doneFuture = done.get_future().share();
    std::thread owner([&] {
        HMENU bar = CreateMenu();
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 101, "Enabled");
        AppendMenuA(popup, MF_STRING | MF_GRAYED, 102, "Grayed");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "File");
        HWND window = CreateWindowExA(0, "STATIC", "menu probe", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                      100, nullptr, bar, nullptr, nullptr);
        created.set_value(window);
        while (doneFuture.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
        DestroyWindow(window);
    });
    HWND window = created.get_future().get();
    const auto states = menuStates(window, {101, 102, 103});
    done.set_value();
    owner.join();
    ASSERT_EQ(3u, states.size());
    EXPECT_FALSE(menuGrayed(states[0]));
    EXPECT_TRUE(menuGrayed(states[1]));
    EXPECT_EQ(0xFFFFFFFFu, states[2]) << "an id the menu does not have";
}

}  // namespace
}  // namespace e2e
