// What a passphrase becomes before it is hashed into a note's key, the same in the editor and in
// quillox-note: the passphrase is Unicode text, and the bytes are chosen by one rule.
#pragma once

#include <string_view>

#include "storage/buffer.h"

class NoteDocument;

// The text of a passphrase file or typed line: UTF-8 (a byte-order mark dropped), UTF-16 LE or BE
// after its byte-order mark, and bytes that are neither in code page `codePage`, as older files
// were. `out` is sized once.
void decodePassphraseFile(std::string_view bytes, unsigned codePage, U16String& out);

// Why a passphrase cannot protect a note: it must hold something, and a NUL would end it early
// wherever it passes as a C string.
enum class PassphraseProblem { None, Empty, Nul };
PassphraseProblem passphraseProblem(std::u16string_view passphrase);
// The problem in words, for a box or a message; empty for None.
const char* passphraseProblemText(PassphraseProblem problem);

// The byte forms a key has been made of, in the order a note is tried with them:
// Exact: the code page's bytes when every character fits it exactly, else UTF-8 (the rule now);
// Utf8: the UTF-8 bytes, as an older quillox-note hashed what a UTF-8 terminal gave it;
// QuestionMarks: the code page's bytes with each character outside it as "?", as an older
// editor read its passphrase field.
enum class KeyForm { Exact, Utf8, QuestionMarks };
// The bytes of `form`; false when that form is the same as an earlier one, so it adds nothing to
// try. `out` is sized once and wiped before it is given up.
bool keyBytes(std::u16string_view passphrase, unsigned codePage, KeyForm form, String& out);

// How a passphrase opened a note: not at all, by a form that counts every character, or only by
// the "?" form, in which the note is barely protected and wants its passphrase set again.
enum class Opened { No, Fully, Weakened };
// Tries each form in turn. With `text` the check decrypts the text into it, else it only checks.
// On success the document holds the key that opened it.
Opened openWithPassphrase(NoteDocument& document, std::u16string_view passphrase, unsigned codePage,
                          String* text = nullptr);

// What to tell the owner of a note that opened Weakened; each program names its own way to set
// the passphrase after it.
constexpr char kWeakenedNoteWarning[] =
    "This note's passphrase was stored in a weakened form, in which each character outside the "
    "code page counts as \"?\". Set the passphrase again";
