#pragma once

#include <windows.h>

#include <cstdint>

// Template IDD_GO_TO_LINE, modal over `owner`: asks for a line number from 1 to `lineCount`,
// offering `line` first. A number out of range is explained and asked again. True with the
// chosen number in `line`; false when cancelled.
bool showGoToLineDialog(HWND owner, std::int32_t lineCount, std::int32_t& line);
