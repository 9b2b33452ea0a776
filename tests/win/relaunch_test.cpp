// The relaunch in this process: the copy in the temporary folder is written past a name that a
// running copy still holds, and started with the note's path as one argument. (The whole road,
// and the copy being the bare image: end to end.)
#include "startup/relaunch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "base/app_state.h"
#include "box_answerer.h"
#include "driver.h"
#include "startup/temp_name.h"

namespace {

using namespace e2e;

// A note whose image is the echo helper: its copy writes down the arguments it was given.
TEST(Relaunch, CopySkipsANameARunningCopyHoldsAndStartsWithEdit) {
    ScratchDir scratch;
    const std::string note = scratch / "echo note.exe", temp = scratch / "temp\\";
    const std::string args = scratch / "args.txt";
    makeFolder(temp);
    Bytes image = readFile(windowsPath(QUILLOX_ECHO_ARGS));
    image.insert(image.end(), {'n', 'o', 't', 'e', 0xEF, 0xBE, 0xAD, 0xDE, 4, 0, 0, 0});
    writeFile(note, image);

    // The first name drawn is held without sharing, as a running copy holds its image.
    std::srand(77);
    std::string taken;
    ASSERT_TRUE(buildTempName(temp, static_cast<unsigned>(std::rand()), taken));
    writeFile(taken, "running copy");
    Handle held(CreateFileA(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const AppState saved = appState();
    std::strcpy(appState().modulePath, note.c_str());
    char savedTmp[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof(savedTmp));
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", args.c_str());
    std::srand(77);
    BoxAnswerer boxes;  // a failed relaunch's error box must not hold the test up
    const bool relaunched = relaunchThroughTemp();
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", nullptr);
    SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : nullptr);
    appState() = saved;
    ASSERT_TRUE(relaunched);
    waitUntil([&] { return fileExists(args); }, "the echo helper's answer");
    EXPECT_EQ(bytesOf("-edit:" + note + "\n"), readFile(args)) << "one argument, blank and all";
    held.reset();
    EXPECT_EQ(bytesOf("running copy"), readFile(taken));
}

}  // namespace
