// The most characters a note's text may have, shared by the editor, which holds no more, and the
// tool, which refuses to seal a text the editor would cut.
#pragma once

#include <cstdint>

// 4 MiB of single-byte text.
constexpr std::int32_t kEditorTextLimit = 4194304;
