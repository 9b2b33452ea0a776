// Start-up, open and save times of the editor as a user meets them under Wine, with a plain
// CopyFileA of the same bytes in the same run as the yardstick. Not a test: it prints figures.
//   wine_bench [runs]
#include "driver.h"

#include "resources/resource.h"
#include "storage/note_document.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr const char* kMainClass = "Quillox::main";
constexpr const char* kPromptTitle = "Quillox: Please enter passphrase";
constexpr const char* kPassphrase = "bench pass";

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Bench {
    std::string folder;
    std::string temp;
    std::string editor;
    int runs = 7;

    WindowQuery mainWindow(DWORD pid = 0) const {
        WindowQuery query;
        query.className = kMainClass;
        query.pid = pid;
        return query;
    }

    std::string makeNote(const std::string& name, const std::string& text) const {
        NoteDocument document(editor);
        document.setKey(kPassphrase);
        document.setText(text);
        const std::string note = joinPath(folder, name);
        if (!document.save(note, WindowPlacement{}))
            throw DriverError("cannot write the note " + inQuotes(note));
        return note;
    }

    // A cancelled prompt leaves the temporary copy on disk; it goes once its process has ended.
    void removeCopies(ProcessFamily& family) {
        family.waitAllEnded();
        for (const std::string& copy : listFiles(temp, "Quillox-*.exe"))
            DeleteFileA(joinPath(temp, copy).c_str());
    }

    void startup() {
        const std::string note = makeNote("startup.exe", "a short note");
        std::vector<double> blank, prompt;
        for (int run = 0; run < runs; ++run) {
            ProcessFamily family;
            double t0 = now();
            Process& editorProcess = family.start(editor);
            HWND window = waitWindow(mainWindow(editorProcess.pid()));
            blank.push_back(now() - t0);
            postClose(window);
            editorProcess.waitExit(kPatience);

            t0 = now();
            family.start(note);
            HWND ask = waitWindow(dialogTitled(kPromptTitle));
            prompt.push_back(now() - t0);
            pressButton(ask, 4);
            removeCopies(family);
        }
        const double b = median(blank), p = median(prompt);
        std::printf(
            "start-up (median of %d): note to passphrase prompt %.0f ms, blank editor to "
            "window %.0f ms, ratio %.2f (goal <= 2.5)\n",
            runs, p, b, p / b);
    }

    // The status bar follows each caret move before the move's message returns; the first one
    // after a change reads the text's lines, the next ones only a stretch of them.
    void caretAndGoTo(HWND window, HWND edit, int lines) {
        double t0 = now();
        SendMessageA(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
        const double first = now() - t0;
        std::vector<double> moves;
        for (int i = 0; i < 21; ++i) {
            t0 = now();
            SendMessageA(edit, WM_KEYDOWN, i % 2 ? VK_RIGHT : VK_LEFT, 0);
            moves.push_back(now() - t0);
        }
        t0 = now();
        PostMessageA(window, WM_COMMAND, ID_EDIT_GO_TO, 0);
        const HWND goTo = waitWindow(dialogTitled("Go To Line"));
        const double ask = now() - t0;
        setText(control(goTo, IDC_GO_TO_LINE), std::to_string(lines / 2));
        t0 = now();
        pressButton(goTo, IDOK);
        waitGone(goTo, "the Go To dialog");
        SendMessageA(window, WM_NULL, 0, 0);  // returns once the command is done
        std::printf(
            "  caret to the end %.1f ms, then a caret move %.1f ms (median of %zu); Go To line "
            "%d: dialog up %.1f ms, OK to caret %.1f ms\n",
            first, median(moves), moves.size(), lines / 2, ask, now() - t0);
    }

    void openAndSave(const std::string& label, std::size_t bytes) {
        // Numbered lines of about forty characters, short enough not to wrap in the window.
        std::string text;
        for (int n = 0;; ++n) {
            const std::string line =
                "line " + std::to_string(n) + ": the quick brown fox jumps\r\n";
            if (text.size() + line.size() > bytes) break;
            text += line;
        }
        const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        text += std::string(bytes - text.size(), '.');
        const std::string note = makeNote("size.exe", text);
        const std::string copy = joinPath(folder, "copy.bin");

        std::vector<double> open, save, plainCopy;
        for (int run = 0; run < runs; ++run) {
            ProcessFamily family;
            family.start(note);
            HWND ask = waitWindow(dialogTitled(kPromptTitle), 60000);
            setText(control(ask, 1001), kPassphrase);
            double t0 = now();
            pressButton(ask, 3);
            HWND window = nullptr;
            HWND edit = nullptr;
            std::size_t shown = 0;
            // The window is shown once its text is in; the control may count line ends its own
            // way, so nearly all of the text is taken as all of it.
            try {
                waitUntil(
                    [&] {
                        if (!window) window = findWindow(mainWindow());
                        if (window && !edit)
                            edit = FindWindowExA(window, nullptr, "RichEdit20W", nullptr);
                        if (edit)
                            shown = static_cast<std::size_t>(
                                SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
                        return shown >= text.size() - text.size() / 100;
                    },
                    "the editor to show the text", 120000);
            } catch (const DriverError& error) {
                throw DriverError(std::string(error.what()) + " (window " +
                                  (window ? "open" : "missing") + ", " + std::to_string(shown) +
                                  " characters shown)");
            }
            open.push_back(now() - t0);
            if (run == 0 && shown != text.size())
                std::printf("  (the editor reports %zu characters for %zu bytes)\n", shown,
                            text.size());

            if (run == 0) caretAndGoTo(window, edit, lines);

            PostMessageA(edit, WM_CHAR, 'x', 1);
            waitUntil([&] { return editModified(edit); }, "the change", 60000);
            t0 = now();
            pressChord(window, {VK_CONTROL, 'S'});
            waitUntil([&] { return !editModified(edit); }, "the save", 120000);
            save.push_back(now() - t0);

            postClose(window);
            family.waitAllEnded(60000);

            t0 = now();
            if (!CopyFileA(note.c_str(), copy.c_str(), FALSE))
                throw DriverError("CopyFileA failed");
            plainCopy.push_back(now() - t0);
            DeleteFileA(copy.c_str());
        }
        const Bytes saved = readFile(note);
        std::printf(
            "%s note (%zu bytes of text, file %zu bytes, median of %d): open-to-text %.0f "
            "ms, Ctrl+S-to-saved %.0f ms, CopyFileA of the note %.1f ms\n",
            label.c_str(), text.size(), saved.size(), runs, median(open), median(save),
            median(plainCopy));
        DeleteFileA(note.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    Bench bench;
    if (argc > 1) bench.runs = std::max(1, std::atoi(argv[1]));
    ScratchDir scratch(windowsPath(E2E_WORK_DIR));
    bench.folder = scratch.path();
    bench.temp = joinPath(bench.folder, "tmp") + "\\";
    makeFolder(bench.temp);
    SetEnvironmentVariableA("TMP", bench.temp.c_str());
    SetEnvironmentVariableA("TEMP", bench.temp.c_str());
    bench.editor = joinPath(bench.folder, "quillox.exe");
    copyFile(windowsPath(QUILLOX_EXE), bench.editor);
    try {
        bench.startup();
        bench.openAndSave("4 KiB", 4096);
        bench.openAndSave("4 MiB", 4194304);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "wine_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
