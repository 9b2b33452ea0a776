#include "startup/temp_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TempName, DirectoryProductHyphenFourHexDigitsExeThatFits) {
    // Values beyond the generator's 15 bits never give a fifth digit.
    const struct {
        unsigned value;
        const char* digits;
    } cases[] = {{0x1A2B, "1A2B"}, {0, "0000"},       {0xF, "000F"},        {0xC0DE, "40DE"},
                 {0x7FFF, "7FFF"}, {0x18000, "0000"}, {0xFFFFFFFFu, "7FFF"}};
    for (const auto& c : cases) {
        std::string name;
        ASSERT_TRUE(buildTempName("C:\\Temp\\", c.value, name));
        EXPECT_EQ(name, std::string("C:\\Temp\\Quillox-") + c.digits + ".exe");
    }
    // "Quillox-XXXX.exe" is 16 characters; 260 is the longest path the buffers hold.
    std::string name = "untouched";
    EXPECT_TRUE(buildTempName(std::string(244, 'd'), 1, name));
    EXPECT_EQ(name.size(), 260u);
    name = "untouched";
    for (std::size_t tooLong : {245u, 400u}) {
        EXPECT_FALSE(buildTempName(std::string(tooLong, 'd'), 1, name));
        EXPECT_EQ(name, "untouched");
    }
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
        {"C:\\Users\\me\\AppData\\Local\\Tmp_\\Quillox-1A2B.exe", false},  // same length
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
