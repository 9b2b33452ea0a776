// The editor's entry sequence: start-up state, switches, the choice among the four roads (erase,
// relaunch, edit a note, blank editor) and the message loop.
#pragma once

#include <windows.h>

#include "storage/buffer.h"
#include "storage/io_status.h"

class NoteDocument;

// Reads the switches from the wide command line into appState(). "-erase" ends the
// process here; so does a switch without a colon, after "Malformed commandline argument!".
void parseCommandLine();

// The "-edit" road before the window exists: loads the note at `path` and asks its passphrase
// until it opens the note, leaving the text as stored in `storedText`. A file that carries no
// note block or cannot be loaded gives back why; a cancelled prompt ends the process.
IoStatus openNoteForEdit(NoteDocument& document, const String& path, String& storedText);

void runMessageLoop(HWND mainWindow);

// The whole run, from the first start-up step to the exit code.
int runQuillox();
