// Passphrases for quillox-note: typed on the terminal without echo, or read from a file. Every
// buffer that holds one is sized before it is filled, never passes through stdio, and is wiped.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "storage/buffer.h"

class PassphraseInput {
public:
    // `codePage` reads files that are neither UTF-8 nor UTF-16.
    explicit PassphraseInput(unsigned codePage);
    ~PassphraseInput();
    PassphraseInput(const PassphraseInput&) = delete;
    PassphraseInput& operator=(const PassphraseInput&) = delete;

    // Reads passphrases from `path` ("-" for standard input) instead of the terminal: each request
    // that names the same file takes its next line, without the line end.
    bool useFile(const String& path, String& error);
    // Asks for a passphrase; false when there is no terminal or the file has no more lines.
    bool ask(const char* prompt, const String& file, U16String& out, String& error);

private:
    struct Source {
        String path;
        U16String text;  // the decoded file, wiped by the destructor
        std::vector<std::pair<std::size_t, std::size_t>> lines;  // offset and length in `text`
        std::size_t next = 0;
    };
    unsigned codePage_;
    std::vector<Source> sources_;  // reserved for the two files a command can name
};

// Reads one line from the terminal, with echo off unless `echo`; false when there is no terminal
// or the line is longer than a passphrase can be. Typed bytes that are not UTF-8 are read in
// `codePage`.
bool readTerminalLine(const char* prompt, bool echo, unsigned codePage, U16String& out);

// The ANSI code page of Windows (the editor's), 1252 elsewhere.
unsigned systemCodePage();
