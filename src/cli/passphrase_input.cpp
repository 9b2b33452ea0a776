#include "cli/passphrase_input.h"

#include <cstdio>

#include "storage/system_path.h"
#include "storage/wipe.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

PassphraseInput::~PassphraseInput() {
    for (auto& s : sources_)
        for (auto& line : s.lines) secureWipe(line);
}

bool PassphraseInput::useFile(const std::string& path, std::string& error) {
    for (auto& s : sources_)
        if (s.path == path) return true;
    std::FILE* in = path == "-" ? stdin : openFile(path, "rb");
    if (!in) {
        error = "cannot read the passphrase file " + path;
        return false;
    }
    Source source;
    source.path = path;
    std::string line;
    bool any = false;
    for (int c; (c = std::fgetc(in)) != EOF;) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            source.lines.push_back(line);
            secureWipe(line);
            line.clear();
            any = false;
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    if (any) source.lines.push_back(line);
    secureWipe(line);
    if (in != stdin) std::fclose(in);
    sources_.push_back(std::move(source));
    return true;
}

bool PassphraseInput::ask(const char* prompt, const std::string& file, std::string& out,
                          std::string& error) {
    if (file.empty()) {
        if (readHiddenLine(prompt, out)) return true;
        error = "no terminal to ask for the passphrase on; use --passphrase-file";
        return false;
    }
    if (!useFile(file, error)) return false;
    for (auto& s : sources_) {
        if (s.path != file) continue;
        if (s.next >= s.lines.size()) {
            error = "the passphrase file " + file + " has no line for this passphrase";
            return false;
        }
        out = s.lines[s.next++];
        return true;
    }
    return false;
}

#ifdef _WIN32
bool readHiddenLine(const char* prompt, std::string& out) {
    HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode)) {
        CloseHandle(in);
        return false;
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    out.clear();
    char c;
    DWORD got = 0;
    while (ReadConsoleA(in, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
        if (c != '\r') out.push_back(c);
    }
    SetConsoleMode(in, mode);
    CloseHandle(in);
    std::fputs("\n", stderr);
    return true;
}
#else
bool readHiddenLine(const char* prompt, std::string& out) {
    std::FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty) return false;
    int fd = fileno(tty);
    termios saved;
    if (tcgetattr(fd, &saved) != 0) {
        std::fclose(tty);
        return false;
    }
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    std::fputs(prompt, tty);
    std::fflush(tty);
    tcsetattr(fd, TCSAFLUSH, &quiet);
    out.clear();
    for (int c; (c = std::fgetc(tty)) != EOF && c != '\n';) out.push_back(static_cast<char>(c));
    tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputs("\n", tty);
    std::fclose(tty);
    return true;
}
#endif
