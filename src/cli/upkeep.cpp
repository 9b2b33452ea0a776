// The commands that keep notes usable over the years: reimage moves notes to another editor
// build, verify checks them for a backup script, salvage recovers a note whose end was damaged,
// and info --json describes a note to a script.
#include <algorithm>
#include <cstdio>

#include "cli/cli.h"
#include "cli/json.h"
#include "cli/note_check.h"
#include "cli/passphrase_input.h"
#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "storage/passphrase.h"
#include "storage/wipe.h"

namespace cli {
namespace {

// The passphrase of --passphrase-file, asked once for every note of the run.
int readPassphrase(const Options& o, U16String& pass) {
    PassphraseInput input(passphraseCodePage(o));
    String error;
    return input.ask("Passphrase: ", o.passphraseFile, pass, error) ? kDone : fail(kUsage, error);
}

int reimageOne(const String& note, const EditorPart& editor) {
    NoteDocument doc(editor.path);
    if (int rc = loadNote(note, doc)) return rc;
    if (NoteDocument::isRecordFile(note))
        return fail(kUsage, note + ": a record file has no editor part; salvage puts it on one");
    const std::uint32_t length = FileEndData(note, true).offset();
    String sha;
    if (length == editor.length && fingerprint(note, length, sha) && sha == editor.sha256) {
        std::printf("%s: unchanged (already on %s)\n", note.c_str(), editor.path.c_str());
        return kDone;
    }
    // The record goes across as it was read: no passphrase, same IV, same digest.
    const bool readOnly = file::isReadOnly(note.c_str());
    if (saved(doc.rewrite(note), note))
        return fail(kWriteFailed, note + ": not written, left as it was");
    if (readOnly && !file::setReadOnly(note.c_str(), true))
        return fail(kWriteFailed, note + ": written, but its read-only attribute is lost");
    std::printf("%s: now on %s\n", note.c_str(), editor.path.c_str());
    return kDone;
}

bool readWhole(const String& path, Bytes& data) {
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    const std::uint32_t size = file::size(h.get());
    if (size == file::kNoSize) return false;
    data.resize(size);
    std::uint32_t got = 0;
    return size == 0 || (file::read(h.get(), data.data(), size, got) && got == size);
}

}  // namespace

int reimage(const Options& o) {
    if (o.image.empty()) return fail(kUsage, "reimage needs --image EDITOR");
    EditorPart editor;
    if (int rc = readEditor(o.image, editor)) return rc;
    int worst = kDone;
    for (const String& note : o.notes) {
        worst = std::max(worst, reimageOne(note, editor));
    }
    return worst;
}

int verify(const Options& o) {
    EditorPart editor;
    if (!o.image.empty())
        if (int rc = readEditor(o.image, editor)) return rc;
    U16String pass;  // wiped by the buffer when it goes
    if (!o.passphraseFile.empty())
        if (int rc = readPassphrase(o, pass)) return rc;

    int worst = kDone;
    String json;
    for (const String& note : o.notes) {
        const NoteCheck c = checkNote(note, o.passphraseFile.empty() ? nullptr : &pass,
                                      passphraseCodePage(o), o.image.empty() ? nullptr : &editor);
        worst = std::max(worst, c.code);
        String words, list;
        for (const String& p : c.problems) {
            words += (words.empty() ? "" : "; ") + p;
            list += (list.empty() ? "" : ", ") + jsonString(p);
        }
        if (!o.json) {
            std::printf("%s: %s\n", note.c_str(), c.problems.empty() ? "ok" : words.c_str());
            continue;
        }
        JsonObject j;
        j.text("file", note).flag("ok", c.problems.empty()).raw("problems", "[" + list + "]");
        j.raw("editor_sha256", c.sha256.empty() ? "null" : jsonString(c.sha256))
            .number("exit", c.code);
        json += (json.empty() ? "[\n  " : ",\n  ") + j.str();
    }
    if (o.json) std::printf("%s\n]\n", json.c_str());
    return worst;
}

int salvage(const Options& o) {
    if (o.image.empty() || o.output.empty())
        return fail(kUsage, "salvage needs --image EDITOR and -o NOTE");
    // Writing only new files is what guarantees that the damaged file is never written over.
    if (file::exists(o.output.c_str()))
        return fail(kUsage, o.output + ": exists already; salvage writes only a new file");
    EditorPart editor;
    if (int rc = readEditor(o.image, editor)) return rc;
    if (int rc = refuseSpecial(o.note)) return rc;
    Bytes data;
    if (!file::exists(o.note.c_str()) || !readWhole(o.note, data))
        return fail(kNotANote, o.note + ": cannot be read");
    const std::vector<std::uint32_t> found = findRecords(data);
    if (found.empty())
        return fail(kNotANote, o.note + ": no note record found in it; nothing written");

    U16String pass;  // wiped by the buffer when it goes
    if (!o.passphraseFile.empty())
        if (int rc = readPassphrase(o, pass)) return rc;
    // The last record is the one written last; a passphrase picks the last one it opens.
    NoteDocument doc(editor.path);
    std::uint32_t at = 0;
    bool chosen = false;
    for (auto it = found.rbegin(); it != found.rend() && !chosen; ++it) {
        at = *it;
        doc.parseRecord(Bytes(data.data() + at, recordSizeAt(data, at)));
        if (o.passphraseFile.empty()) break;
        chosen = openWithPassphrase(doc, pass, passphraseCodePage(o)) != Opened::No;
    }
    if (!o.passphraseFile.empty() && !chosen)
        return fail(kWrongPassphrase, o.note + ": the passphrase opens none of the " +
                                          std::to_string(found.size()) +
                                          " records found; nothing written");
    if (saved(doc.rewrite(o.output), o.output))
        return fail(kWriteFailed, o.output + ": not written");
    std::printf("%s: record of %u bytes found at offset %u (%zu found%s); written to %s on %s\n",
                o.note.c_str(), recordSizeAt(data, at), at, found.size(),
                chosen ? ", opened with the passphrase" : "", o.output.c_str(),
                editor.path.c_str());
    return kDone;
}

int infoJson(const Options& o) {
    NoteHeader h;
    bool recordFile = false;
    std::uint32_t image = 0;
    if (int rc = loadHeader(o.note, h, recordFile, image)) return rc;
    String sha;
    if (!recordFile && !fingerprint(o.note, image, sha))
        return fail(kNotANote, o.note + ": cannot be read");
    JsonObject j;
    j.text("file", o.note).text("kind", recordFile ? "record file" : "note executable");
    j.number("editor_image_bytes", image)
        .raw("editor_sha256", recordFile ? "null" : jsonString(sha));
    j.number("record_bytes", h.payloadLength + std::int64_t{NoteHeader::kSize})
        .number("textLength", h.textLength);
    j.number("payloadLength", h.payloadLength).flag("read_only", h.flags & kNoteReadOnly);
    j.flag("maximized", h.flags & kNoteMaximized)
        .text("encoding", h.flags & kNoteUtf8 ? "utf-8" : "ansi");
    j.number("windowWidth", h.windowWidth).number("windowHeight", h.windowHeight);
    std::printf("%s\n", j.str().c_str());
    return kDone;
}

}  // namespace cli
