#include "storage/passphrase.h"

#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/note_document.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c < 0xE000;
}

// The older editor's field, read through the code page: each character that does not convert
// exactly stands as one "?", a surrogate pair being one character.
bool questionMarkForm(std::u16string_view passphrase, unsigned codePage, String& out) {
    out.assign(passphrase.size() * 2, '\0');
    std::size_t used = 0;
    String one;  // one character's bytes: at most two, wiped below
    for (std::size_t i = 0; i < passphrase.size(); ++i) {
        std::size_t units = 1;
        if (isHighSurrogate(passphrase[i]) && i + 1 < passphrase.size() &&
            isLowSurrogate(passphrase[i + 1]))
            units = 2;
        if (toCodePageExactly(slice(passphrase, i, units), codePage, one) && one.size() <= 2) {
            for (char b : one) out[used++] = b;
        } else {
            out[used++] = '?';
        }
        i += units - 1;
    }
    secureWipe(one);
    out.resize(used);
    return true;
}

}  // namespace

void decodePassphraseFile(std::string_view bytes, unsigned codePage, U16String& out) {
    secureWipe(out);
    out.clear();
    const TextFileFormat format = detectTextFile(bytes);
    if (format.encoding != TextFileEncoding::Ansi) {
        decodeTextFile(bytes, format, out);
    } else if (!fromCodePage(bytes, codePage, out)) {
        out = cp1252ToUtf16(bytes);
    }
}

PassphraseProblem passphraseProblem(std::u16string_view passphrase) {
    if (passphrase.empty()) return PassphraseProblem::Empty;
    if (passphrase.find(u'\0') != std::u16string_view::npos) return PassphraseProblem::Nul;
    return PassphraseProblem::None;
}

const char* passphraseProblemText(PassphraseProblem problem) {
    switch (problem) {
        case PassphraseProblem::Empty:
            return "The passphrase is empty: a note needs a passphrase to protect it.";
        case PassphraseProblem::Nul:
            return "The passphrase holds a NUL character, which cannot be part of a passphrase.";
        case PassphraseProblem::None:
            break;
    }
    return "";
}

bool keyBytes(std::u16string_view passphrase, unsigned codePage, KeyForm form, String& out) {
    secureWipe(out);
    out.clear();
    const bool fits = toCodePageExactly(passphrase, codePage, out);
    if (form == KeyForm::Exact) {
        if (!fits) out = utf16ToUtf8(passphrase);
        return true;
    }
    if (!fits) {
        // Exact already is the UTF-8 form.
        if (form == KeyForm::Utf8) return false;
        return questionMarkForm(passphrase, codePage, out);
    }
    if (form == KeyForm::QuestionMarks) {
        secureWipe(out);
        return false;
    }
    String utf8 = utf16ToUtf8(passphrase);  // wiped below, or handed to `out`
    const bool differs = utf8 != out;
    secureWipe(out);
    out.swap(utf8);
    secureWipe(utf8);
    return differs;
}

Opened openWithPassphrase(NoteDocument& document, std::u16string_view passphrase, unsigned codePage,
                          String* text) {
    String bytes;  // each form's bytes in turn, wiped below
    Opened opened = Opened::No;
    for (KeyForm form : {KeyForm::Exact, KeyForm::Utf8, KeyForm::QuestionMarks}) {
        if (!keyBytes(passphrase, codePage, form, bytes)) continue;
        document.setKey(bytes);
        if (text ? document.getText(*text) : document.verifyKey()) {
            opened = form == KeyForm::QuestionMarks ? Opened::Weakened : Opened::Fully;
            break;
        }
    }
    secureWipe(bytes);
    return opened;
}
