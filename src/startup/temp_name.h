// The name of the temporary copy a note executable relaunches through.
#pragma once

#include "storage/buffer.h"

// Longest name a copy may have, in UTF-16 units: a program is started only from a path within
// MAX_PATH, long paths enabled or not.
constexpr std::size_t kMaxPathLength = 260;

// directory + "Quillox-" + four uppercase hexadecimal digits of `value` + ".exe". `directory` is
// the temporary directory with its trailing separator, as the system reports it, in UTF-8; `value`
// comes from rand() (0..32767) and is reduced to 15 bits so the digits are always four. False when
// the whole name would not fit kMaxPathLength characters: a cut name is never used.
bool buildTempName(const String& directory, unsigned value, String& name);

// True when `path` is a name buildTempName could have made in `directory`: the directory, then
// "Quillox-", four hexadecimal digits and ".exe", compared without regard to case as Windows
// compares file names. Only such a file is a disposable copy of the editor.
bool isTempName(const String& directory, const String& path);
