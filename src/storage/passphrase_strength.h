// How hard a passphrase is to guess, told before it protects a note. A key is one unsalted SHA-256
// of the passphrase, so a guesser tries about ten billion passphrases a second on one graphics
// card and attacks every note with one precomputed list: the estimate counts what such a guesser
// tries first (common passwords, repeats, sequences, keyboard runs, years and dates, words) as
// the few guesses it costs.
#pragma once

#include <string_view>

#include "storage/buffer.h"

// Below this many bits a passphrase is weak and is named so before it is used.
constexpr double kStrongPassphraseBits = 60;
constexpr double kGuessesPerSecond = 1e10;

// The estimate in bits: log2 of the guesses an informed guesser needs. Characters are code
// points, so a character outside the Basic Multilingual Plane counts once.
double passphraseBits(std::u16string_view passphrase);
inline bool isWeakPassphrase(double bits) {
    return bits < kStrongPassphraseBits;
}
// "strong", or "weak — a graphics card would guess it in about 3 seconds" (on average, half the
// guesses); ASCII-only apart from the dash, UTF-8.
String strengthInWords(double bits);
