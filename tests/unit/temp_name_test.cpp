#include "startup/temp_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

TEST(TempName, DirectoryProductHyphenFourHexDigitsExe) {
    const struct {
        unsigned value;
        const char* expected;
    } cases[] = {
        {0x1A2B, "C:\\Temp\\Quillox-1A2B.exe"},
        {0, "C:\\Temp\\Quillox-0000.exe"},
        {0xF, "C:\\Temp\\Quillox-000F.exe"},
        {0x7FFF, "C:\\Temp\\Quillox-7FFF.exe"},
        // Values beyond the generator's 15 bits never give a fifth digit.
        {0x18000, "C:\\Temp\\Quillox-0000.exe"},
        {0xFFFFFFFFu, "C:\\Temp\\Quillox-7FFF.exe"},
    };
    for (const auto& c : cases) {
        std::string name;
        ASSERT_TRUE(buildTempName("C:\\Temp\\", c.value, name));
        EXPECT_EQ(name, c.expected);
    }
}

TEST(TempName, EveryValueGivesFourUppercaseDigitsInRange) {
    for (unsigned value = 0; value <= 0x7FFF; ++value) {
        std::string name;
        ASSERT_TRUE(buildTempName("D:\\t\\", value, name));
        ASSERT_EQ(name.size(), std::string("D:\\t\\Quillox-0000.exe").size());
        const std::string digits = name.substr(name.size() - 8, 4);
        for (char c : digits) ASSERT_TRUE(isUpperHex(c)) << name;
        ASSERT_EQ(std::stoul(digits, nullptr, 16), value);
        ASSERT_EQ(name.compare(name.size() - 4, 4, ".exe"), 0);
    }
}

TEST(TempName, NameThatWouldNotFitIsRefused) {
    // "Quillox-XXXX.exe" is 16 characters; 260 is the longest path the buffers hold.
    const std::string fits = std::string(244, 'd');
    const std::string tooLong = std::string(245, 'd');
    std::string name = "untouched";
    EXPECT_TRUE(buildTempName(fits, 1, name));
    EXPECT_EQ(name.size(), 260u);
    name = "untouched";
    EXPECT_FALSE(buildTempName(tooLong, 1, name));
    EXPECT_EQ(name, "untouched");
    EXPECT_FALSE(buildTempName(std::string(400, 'd'), 1, name));
    EXPECT_EQ(name, "untouched");
}

TEST(TempName, OnlyCopiesInTheTemporaryFolderCountAsDisposable) {
    const std::string dir = "C:\\Users\\me\\AppData\\Local\\Temp\\";
    const struct {
        std::string path;
        bool disposable;
    } cases[] = {
        {dir + "Quillox-1A2B.exe", true},
        {dir + "quillox-7fff.EXE", true},  // Windows compares names without regard to case
        {"c:\\users\\ME\\appdata\\local\\temp\\Quillox-0000.exe", true},
        {"C:\\Program Files\\Quillox\\quillox.exe", false},
        {"C:\\Users\\me\\Desktop\\Quillox-1A2B.exe", false},
        {dir + "sub\\Quillox-1A2B.exe", false},
        {dir + "Quillox-1A2G.exe", false},
        {dir + "Quillox-1A2.exe", false},
        {dir + "Quillox-1A2BC.exe", false},
        {dir + "Quillox_1A2B.exe", false},
        {dir + "Quillox-1A2B.exe.lnk", false},
        {dir + "diary.exe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.disposable, isTempName(dir, c.path)) << c.path;
    EXPECT_FALSE(isTempName("", "Quillox-1A2B.exe"));
}

}  // namespace
