// What the commands of quillox-note share: the exit codes, the parsed command line and the way
// a failure is told.
#pragma once

#include <vector>

#include "storage/buffer.h"
#include "storage/io_status.h"

class NoteDocument;

namespace cli {

// When notes of one run fail differently, the highest code wins.
enum Exit {
    kDone = 0,
    kUsage = 1,
    kNotANote = 2,
    kWrongPassphrase = 3,
    kWriteFailed = 4,
    kEditorDiffers = 5
};

struct Options {
    String command, note, image, output, input, passphraseFile, newPassphraseFile, readOnly;
    std::vector<String> notes;  // the commands that take several notes
    bool help = false;
    bool json = false;
    bool raw = false;          // cat: the stored bytes as they are
    bool force = false;        // seal: over an existing file
    unsigned codePage = 1252;  // the code page of notes and text files that are not UTF-8
    bool codePageGiven = false;
};

// The code page a passphrase's bytes are chosen by: the editor's on this machine unless
// --codepage names another (the one of the machine the note was made on).
unsigned passphraseCodePage(const Options& o);
// Tells that `note` opened only through the weakened form of its passphrase.
void warnWeakened(const String& note);

void printError(const char* message);
// Prints the message on stderr and gives back the code.
int fail(int code, const String& message);
// Tells how a storage operation on `path` failed, on one line: the words of its fault and then
// the system's reason; gives back the fault's exit code.
int failed(const IoStatus& status, const String& path);
// Tells how a save of `target` ended when there is something to tell (its failure, or a notice
// of one that went well); 0 or the exit code of the failure.
int saved(const IoStatus& status, const String& target);
// 0 when `path` is missing or a regular file; otherwise 2, told on stderr, before anything
// opens what could be a pipe or a device.
int refuseSpecial(const String& path);
// Loads a note for reading; 0 or the exit code of the failure, told on stderr.
int loadNote(const String& path, NoteDocument& doc);

int reimage(const Options& o);
int verify(const Options& o);
int salvage(const Options& o);
int infoJson(const Options& o);

}  // namespace cli
