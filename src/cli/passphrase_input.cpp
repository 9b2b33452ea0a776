#include "cli/passphrase_input.h"

#include <cerrno>
#include <cstdio>

#include "storage/buffer.h"
#include "storage/system_path.h"
#include "storage/passphrase.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// Passphrase files and typed lines are taken up to this size; a buffer of it is reserved once.
constexpr std::size_t kMaxFileBytes = 65536;
constexpr std::size_t kMaxLineUnits = 4096;

#ifdef _WIN32
int openForReading(const char* path) {
    return _wopen(widePath(path).c_str(), _O_RDONLY | _O_BINARY);
}
int readSome(int fd, char* data, std::size_t n) {
    return _read(fd, data, static_cast<unsigned>(n));
}
void closeFile(int fd) {
    _close(fd);
}
#else
int openForReading(const char* path) {
    return open(path, O_RDONLY | O_CLOEXEC);
}
int readSome(int fd, char* data, std::size_t n) {
    for (;;) {
        const ssize_t got = read(fd, data, n);
        if (got >= 0 || errno != EINTR) return static_cast<int>(got);
    }
}
void closeFile(int fd) {
    close(fd);
}
#endif

// The whole of `fd` into `out`, read without stdio; false when it cannot be read or is too long.
bool readWhole(int fd, String& out) {
    out.assign(kMaxFileBytes + 1, '\0');
    std::size_t used = 0;
    int got = 0;
    while (used < out.size() && (got = readSome(fd, &out[used], out.size() - used)) > 0)
        used += static_cast<std::size_t>(got);
    out.resize(used);
    return got >= 0 && used <= kMaxFileBytes;
}

}  // namespace

PassphraseInput::PassphraseInput(unsigned codePage) : codePage_(codePage) {
    sources_.reserve(2);
}

PassphraseInput::~PassphraseInput() {
    for (auto& s : sources_) secureWipe(s.text);
}

bool PassphraseInput::useFile(const String& path, String& error) {
    for (auto& s : sources_)
        if (s.path == path) return true;
    if (sources_.size() == sources_.capacity()) return false;
    const bool fromStdin = path == "-";
#ifdef _WIN32
    if (fromStdin) _setmode(0, _O_BINARY);
#endif
    const int fd = fromStdin ? 0 : openForReading(path.c_str());
    if (fd < 0) {
        error = "cannot read the passphrase file " + path;
        return false;
    }
    String raw;  // the file's bytes, wiped below
    const bool read = readWhole(fd, raw);
    if (!fromStdin) closeFile(fd);
    if (!read) {
        secureWipe(raw);
        error = "cannot read the passphrase file " + path + " (or it is larger than 64 KiB)";
        return false;
    }
    sources_.emplace_back();
    Source& source = sources_.back();
    source.path = path;
    decodePassphraseFile(raw, codePage_, source.text);
    secureWipe(raw);
    const U16String& t = source.text;
    for (std::size_t at = 0; at < t.size();) {
        std::size_t end = t.find(u'\n', at);
        if (end == U16String::npos) end = t.size();
        const std::size_t n = end - at - (end > at && t[end - 1] == u'\r' ? 1 : 0);
        source.lines.emplace_back(at, n);
        at = end + 1;
    }
    return true;
}

bool PassphraseInput::ask(const char* prompt, const String& file, U16String& out, String& error) {
    secureWipe(out);
    out.clear();
    if (file.empty()) {
        if (readTerminalLine(prompt, false, codePage_, out)) return true;
        error =
            "no terminal to ask for the passphrase on, or the line is too long; use "
            "--passphrase-file";
        return false;
    }
    if (!useFile(file, error)) return false;
    for (auto& s : sources_) {
        if (s.path != file) continue;
        if (s.next >= s.lines.size()) {
            error = "the passphrase file " + file + " has no line for this passphrase";
            return false;
        }
        const auto line = s.lines[s.next++];
        out.assign(s.text.data() + line.first, line.second);
        return true;
    }
    return false;
}

#ifdef _WIN32
unsigned systemCodePage() {
    return GetACP();
}

namespace {

HANDLE consoleIn = INVALID_HANDLE_VALUE;
DWORD consoleMode = 0;

// Ctrl+C ends the process: the console keeps its mode after that, so echo comes back first.
BOOL WINAPI restoreConsole(DWORD) {
    SetConsoleMode(consoleIn, consoleMode);
    return FALSE;
}

}  // namespace

bool readTerminalLine(const char* prompt, bool echo, unsigned codePage, U16String& out) {
    (void)codePage;  // the console hands over characters, not bytes
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode)) {
        CloseHandle(in);
        return false;
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    consoleIn = in;
    consoleMode = mode;
    SetConsoleCtrlHandler(restoreConsole, TRUE);
    if (!echo) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    out.reserve(kMaxLineUnits);
    bool fits = true;
    wchar_t c;
    DWORD got = 0;
    while (ReadConsoleW(in, &c, 1, &got, nullptr) && got == 1 && c != L'\n') {
        if (c == L'\r') continue;
        if (out.size() < kMaxLineUnits)
            out.push_back(static_cast<char16_t>(c));
        else
            fits = false;
    }
    c = 0;
    SetConsoleMode(in, mode);
    SetConsoleCtrlHandler(restoreConsole, FALSE);
    CloseHandle(in);
    if (!echo) std::fputs("\n", stderr);
    if (!fits) secureWipe(out);
    return fits;
}
#else
unsigned systemCodePage() {
    return 1252;
}

namespace {

// What a signal during the prompt needs to put the terminal back: async-signal-safe calls only.
int ttyFd = -1;
termios ttySaved;
char* typed = nullptr;
std::size_t typedSize = 0;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restoreTerminalAndEnd(int sig) {
    if (typed) secureWipe(typed, typedSize);
    tcsetattr(ttyFd, TCSAFLUSH, &ttySaved);
    const ssize_t ignored = write(ttyFd, "\n", 1);
    (void)ignored;
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

bool readTerminalLine(const char* prompt, bool echo, unsigned codePage, U16String& out) {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    termios saved;
    if (tcgetattr(fd, &saved) != 0) {
        close(fd);
        return false;
    }
    // The typed bytes, sized once, wiped below and by the signal handler.
    String line(kMaxLineUnits, '\0');
    ttyFd = fd;
    ttySaved = saved;
    typed = &line[0];
    typedSize = line.size();
    struct sigaction ending {
    }, previous[4];
    ending.sa_handler = restoreTerminalAndEnd;
    sigemptyset(&ending.sa_mask);
    for (std::size_t i = 0; i < 4; ++i) sigaction(kEndingSignals[i], &ending, &previous[i]);
    termios quiet = saved;
    if (!echo) quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const ssize_t shown = write(fd, prompt, std::char_traits<char>::length(prompt));
    (void)shown;
    tcsetattr(fd, TCSAFLUSH, &quiet);
    std::size_t used = 0;
    bool fits = true;
    char c = 0;
    while (readSome(fd, &c, 1) == 1 && c != '\n') {
        if (used < line.size())
            line[used++] = c;
        else
            fits = false;
    }
    c = 0;
    tcsetattr(fd, TCSAFLUSH, &saved);
    for (std::size_t i = 0; i < 4; ++i) sigaction(kEndingSignals[i], &previous[i], nullptr);
    typed = nullptr;
    if (!echo) {
        const ssize_t ignored = write(fd, "\n", 1);
        (void)ignored;
    }
    close(fd);
    if (used > 0 && line[used - 1] == '\r') --used;
    if (fits) decodePassphraseFile(std::string_view(line.data(), used), codePage, out);
    secureWipe(line);
    return fits;
}
#endif
