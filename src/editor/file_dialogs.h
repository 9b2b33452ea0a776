// The open and save file dialogs used by Save As and the text import and export.
#pragma once

#include <windows.h>

#include <string_view>

#include "storage/buffer.h"

// A filter text is a label alone, or a label, one NUL and a pattern. On confirmation `path`
// receives the chosen file; on cancel it is left as it was.
bool chooseOpenFile(std::string_view filterText, HWND owner, String& path);
// As chooseOpenFile; a name chosen without an extension gets `defaultExtension` when one is given.
bool chooseSaveFile(std::string_view filterText, HWND owner, String& path,
                    const char* defaultExtension = nullptr);
