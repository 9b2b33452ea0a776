#pragma once

#include <cstdint>

// Copies the first `length` bytes of `source` into `target` in 4096-byte chunks and makes the
// target exactly that long. Fails when either file cannot be opened (the target is opened without
// sharing, so a copy that is still running refuses) or any read or write falls short.
bool copyImage(const char* source, const char* target, std::uint32_t length);
