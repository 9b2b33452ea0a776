// The relaunch's own step in this process: writing the copy in the temporary folder past a name
// that a running copy still holds. (Arguments with blanks and the whole road: end to end.)
#include "startup/relaunch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "base/app_state.h"
#include "driver.h"
#include "startup/temp_name.h"

namespace {

using namespace e2e;

// A note whose image is the echo helper: its copy tells how it was started.
TEST(Relaunch, CopySkipsANameARunningCopyHoldsAndStartsWithEdit) {
    ScratchDir scratch;
    const std::string note = scratch / "echo note.exe", temp = scratch / "temp\\";
    makeFolder(temp);
    Bytes image = readFile(windowsPath(QUILLOX_ECHO_ARGS));
    const std::size_t imageSize = image.size();
    image.insert(image.end(), {'n', 'o', 't', 'e', 0xEF, 0xBE, 0xAD, 0xDE, 4, 0, 0, 0});
    writeFile(note, image);
    const AppState saved = appState();
    std::strcpy(appState().modulePath, note.c_str());
    char savedTmp[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof(savedTmp));
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", (scratch / "args.txt").c_str());

    // The first name drawn is held without sharing, as a running copy holds its image.
    std::srand(77);
    std::string taken;
    ASSERT_TRUE(buildTempName(temp, static_cast<unsigned>(std::rand()), taken));
    writeFile(taken, "running copy");
    Handle held(CreateFileA(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    std::srand(77);
    const bool relaunched = relaunchThroughTemp();
    // The echo helper writes the arguments it was given, one a line, to QUILLOX_ECHO_OUT.
    waitUntil([&] { return fileExists(scratch / "args.txt"); }, "the echo helper's answer");
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", nullptr);
    const Bytes args = readFile(scratch / "args.txt");
    held.reset();
    SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : nullptr);
    appState() = saved;

    EXPECT_TRUE(relaunched);
    EXPECT_EQ(bytesOf("1\n-edit:" + note + "\n"), args);
    EXPECT_FALSE(launchProcess((scratch / "missing program.exe").c_str(), "-erase:\"x\""));
    EXPECT_EQ(bytesOf("running copy"), readFile(taken));
    const auto copies = listFiles(temp, "Quillox-*.exe");
    ASSERT_EQ(2u, copies.size());
    const std::string copy = temp + (temp + copies[0] == taken ? copies[1] : copies[0]);
    EXPECT_EQ(imageSize, readFile(copy).size()) << "the image only, without the note";
}

}  // namespace
