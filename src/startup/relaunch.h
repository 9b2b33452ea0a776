// The relaunch of a note executable through a temporary copy of its editor image, and the erase
// of that copy once its editing has ended.
#pragma once

#include "storage/buffer.h"

// Copies the running executable's image (the bytes before its note block) to a fresh
// "Quillox-XXXX.exe" in the temporary directory and starts it with "-edit:" naming the running
// executable. True when the copy was written, whatever became of its launch; false (after
// "Error copying file!") when no copy could be written.
bool relaunchThroughTemp();

// Deletes `path`, trying again while the copy's process is still ending: 30 attempts 100 ms apart.
// Gives the exit code the start-up ends the process with: 0 when deleted, -1 when the file is
// missing (no message) or stays in use ("Error erasing tempfile!"). A path that is not a temporary
// copy's name in the temporary folder is never touched: -1 after "Malformed commandline argument!".
int eraseTempCopy(const String& path);

// Starts `executable` with the command line `"executable" arguments` and does not wait for it.
bool launchProcess(const String& executable, const String& arguments);

// The user's temporary folder with its trailing separator; false when there is none.
bool tempDirectory(String& directory);
