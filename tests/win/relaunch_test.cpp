// The relaunch in this process: the copy is written past a name that a running copy still holds.
// (The copy itself and how it is started: end to end.)
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

TEST(Relaunch, CopySkipsANameARunningCopyHolds) {
    ScratchDir scratch;
    const std::string temp = scratch / "", note = temp + "note.exe";
    // An image no process can be made of, and a record of 4 bytes: the copy is written, its start
    // fails and nothing runs.
    writeFile(note, std::string("no programnote\xEF\xBE\xAD\xDE\x04\0\0\0", 22));
    // The first name drawn is held without sharing, as a running copy holds its image.
    std::srand(77);
    String taken;
    ASSERT_TRUE(buildTempName(temp, static_cast<unsigned>(std::rand()), taken));
    writeFile(taken, "running copy");
    Handle held(CreateFileA(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const AppState saved = appState();
    appState().modulePath = note;
    char savedTmp[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("TMP", savedTmp, sizeof(savedTmp));
    SetEnvironmentVariableA("TMP", temp.c_str());
    std::srand(77);
    BoxAnswerer boxes;  // a failed relaunch's error box must not hold the test up
    EXPECT_TRUE(relaunchThroughTemp());
    SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : nullptr);
    appState() = saved;
    held.reset();
    EXPECT_EQ(bytesOf("running copy"), readFile(taken));
    EXPECT_EQ(3u, listFiles(temp).size()) << "the note, the held name and the copy";
}

}  // namespace
