// The editor's entry sequence: start-up state, switches, the choice among the four roads (erase,
// relaunch, edit a note, blank editor) and the message loop.
#pragma once

#include <windows.h>

#include <string>

class NoteDocument;

// Reads the switches from the wide command line into appState(). "-erase" ends the
// process here; so does a switch without a colon, after "Malformed commandline argument!".
void parseCommandLine();

// The "-edit" road before the window exists: loads the note at `path` and asks its passphrase
// until it opens the note, leaving the text as stored in `storedText`. False only when the file
// carries no note block; every other failure and a cancelled prompt end the process.
bool openNoteForEdit(NoteDocument& document, const std::string& path, std::string& storedText);

void runMessageLoop(HWND mainWindow);

// The whole run, from the first start-up step to the exit code.
int runQuillox();
