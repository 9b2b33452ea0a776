#pragma once

#include <cstddef>
#include <cstdint>

// Fills `out` from the operating system's cryptographic generator; false if it is unavailable.
bool secureRandom(std::uint8_t* out, std::size_t n);
