// The keys a Notepad user reaches for, in the real editor: Find upward, Find Previous, Go To and
// zoom, read back from the selection and the status bar.
#include "e2e_fixture.h"

namespace e2e {
namespace {

class View : public QuilloxTest {};

// 200 pixels wide, so that the first line wraps: the text's lines are not the display's.
TEST_F(View, FindUpwardFindPreviousGoToAndZoomShowInTheStatusBar) {
    const std::string text = "alpha beta alpha gamma alpha\r\nsecond\r\nthird";
    const Road road =
        finish(makeNote("note.exe", text, "pw", {200, 300}), "", [&](EditorWindow& w) {
            const HWND bar = descendant(w.window, "msctls_statusbar32");
            const auto status = [&](const std::string& expected) {
                try {
                    waitUntil([&] { return statusText(bar) == expected; }, "the status bar");
                } catch (const DriverError&) {
                }
                EXPECT_EQ(expected, statusText(bar));
            };
            const auto selected = [&](int start, int end) {
                waitUntil(
                    [&] { return SendMessageA(w.editor, EM_GETSEL, 0, 0) == MAKELONG(start, end); },
                    "the selection " + std::to_string(start) + "-" + std::to_string(end));
            };
            // Three hits toward the top, then the notice, then the turn to the end of the text.
            const auto walkUp = [&](const std::function<void()>& next) {
                for (const auto& [start, end] : {std::pair{23, 28}, {11, 16}, {0, 5}}) {
                    next();
                    selected(start, end);
                }
                next();
                EXPECT_EQ("No more matches.", answerMessageBox(kQuestionCaption, IDOK, w.pid));
                selected(41, 41);
            };
            status("Ln 1, Col 1|41 characters|ANSI");
            SendMessageA(w.editor, EM_SETSEL, 28, 28);
            status("Ln 1, Col 29|41 characters|ANSI");

            pressChord(w.window, {VK_CONTROL, 'F'});
            const HWND find = waitWindow(dialogTitled("Find", w.pid));
            setText(control(find, 1152), "alpha");  // edt1, then rad1: "Up"
            pressButton(find, 1056);
            walkUp([&] { pressButton(find, IDOK); });
            pressButton(find, IDCANCEL);
            waitGone(find, "the Find dialog");
            walkUp([&] { pressChord(w.window, {VK_SHIFT, VK_F3}); });
            status("Ln 3, Col 6|41 characters|ANSI");

            // Line 2 of the text, which is not the second line on the screen; none out of range.
            pressChord(w.window, {VK_CONTROL, 'G'});
            const HWND goTo = waitWindow(dialogTitled("Go To Line", w.pid));
            setText(control(goTo, IDC_GO_TO_LINE), "9");
            pressButton(goTo, IDOK);
            EXPECT_EQ("There is no such line: type a number from 1 to 3.",
                      answerMessageBox(kQuestionCaption, IDOK, w.pid));
            setText(control(goTo, IDC_GO_TO_LINE), "2");
            pressButton(goTo, IDOK);
            waitGone(goTo, "the Go To dialog");
            selected(29, 29);
            status("Ln 2, Col 1|41 characters|ANSI");

            pressChord(w.window, {VK_CONTROL, VK_OEM_PLUS});
            status("Ln 2, Col 1|41 characters|110%|ANSI");
            PostMessageA(w.editor, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
            status("Ln 2, Col 1|41 characters|120%|ANSI");
            pressChord(w.window, {VK_CONTROL, '0'});
            status("Ln 2, Col 1|41 characters|ANSI");
        });
    EXPECT_EQ("0 0 0", road.codes) << road.seen;
}

}  // namespace
}  // namespace e2e
