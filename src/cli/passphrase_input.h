// Passphrases for quillox-note: typed on the terminal without echo, or read from a file.
#pragma once

#include <string>
#include <vector>

class PassphraseInput {
public:
    ~PassphraseInput();

    // Reads passphrases from `path` ("-" for standard input) instead of the terminal: each request
    // that names the same file takes its next line, without the line end.
    bool useFile(const std::string& path, std::string& error);
    // Asks for a passphrase; false when there is no terminal or the file has no more lines.
    bool ask(const char* prompt, const std::string& file, std::string& out, std::string& error);

private:
    struct Source {
        std::string path;
        std::vector<std::string> lines;
        std::size_t next = 0;
    };
    std::vector<Source> sources_;
};

// Reads one line from the terminal with echo off; false when there is no terminal.
bool readHiddenLine(const char* prompt, std::string& out);
