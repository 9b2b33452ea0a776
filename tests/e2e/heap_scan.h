// "Quillox::heapscan" posted to the test build's window (wParam: the thread to answer) makes it
// count this text in its heaps, ASCII and UTF-16, and the key of the passphrase;
// "Quillox::heapfound" answers with the count in blocks it holds (wParam) and in blocks it freed
// (lParam).
#pragma once

constexpr char kHeapNeedle[] = "ZQXLOCKED-5150";
constexpr char kHeapPassphrase[] = "pw";
