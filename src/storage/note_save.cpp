// Saving a note without ever putting the old file at risk: the complete new note executable is
// built beside the target under a temporary name, flushed, read back and checked, and only then
// put in the target's place in one step.
#include <cstring>

#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/image_copy.h"
#include "storage/note_document.h"
#include "storage/wipe.h"

bool editorPartLength(const String& image, std::uint32_t& length) {
    FileEndData block(image, true);
    if (block.trailerFault() != TrailerFault::None) {
        file::setLastError(block.trailerError());
        return false;
    }
    if (block.hasData()) {
        length = block.offset();
        return true;
    }
    file::Scoped h;
    file::open(*h.receive(), image.c_str(), false, false);
    length = file::size(h.get());
    return length != file::kNoSize;
}

namespace {

constexpr const char* kNoRandom =
    "The system gave no random numbers for the encryption: nothing was saved.";

// The new file must open exactly as the editor will open it, and hold the record just built.
// Every read here must succeed: a check that cannot read has not checked anything. The block is
// read into `record`'s own storage, which is no longer needed once written, and compared with
// the header and payload it was built from.
bool readBackMatches(const String& path, std::uint32_t imageBytes, const NoteDocument& doc,
                     Bytes& record) {
    {
        // A file that begins like a note record is opened as a bare record, which this is not.
        file::Scoped h;
        file::open(*h.receive(), path.c_str(), false, false);
        std::uint8_t head[8];
        std::uint32_t got = 0;
        if (!file::read(h.get(), head, sizeof head, got) || got != sizeof head) return false;
        if (std::memcmp(head, NoteHeader::kMagic, sizeof head) == 0) return false;
    }
    FileEndData block(path, true);
    if (!block.hasData() || block.offset() != imageBytes) return false;
    if (block.length() != NoteHeader::kSize + doc.payload.size()) return false;
    if (!block.readData(record)) return false;
    std::uint8_t head[NoteHeader::kSize];
    doc.header.store(head);
    NoteHeader stored;
    return std::memcmp(record.data(), head, sizeof head) == 0 &&
           (doc.payload.empty() || std::memcmp(record.data() + sizeof head, doc.payload.data(),
                                               doc.payload.size()) == 0) &&
           NoteDocument::readHeader(record, stored);
}

bool flushFile(const String& path) {
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), true, false);
    return file::flush(h.get());
}

}  // namespace

IoStatus NoteDocument::save(const String& target, const WindowPlacement& placement,
                            ConfirmOverwrite confirm) {
    return writeSafely(target, &placement, confirm);
}

IoStatus NoteDocument::rewrite(const String& target) {
    return writeSafely(target, nullptr);
}

// With a placement this is the editor's save: the window fields are taken and the text is
// encrypted afresh once the image is in place. Without one the record is written as it stands.
IoStatus NoteDocument::writeSafely(const String& named, const WindowPlacement* placement,
                                   ConfirmOverwrite confirm) {
    if (ivMissing_) return {IoFault::NoRandom};
    // A note without text could never be opened again: its digest would match no passphrase.
    if (header.textLength == 0 || image_.empty() || named.empty()) return {IoFault::NotWritten};

    // Through a symbolic link the file it names is replaced, and the link stays a link.
    const String target = file::finalPath(named);
    const bool targetExisted = file::exists(target.c_str());
    String temporary;
    bool ok = false, ownerKept = true;
    file::setLastError(0);
    std::uint32_t imageBytes = 0;
    if (editorPartLength(image_, imageBytes)) temporary = file::createTemporaryBeside(target);
    if (!temporary.empty()) ownerKept = file::keepOwner(temporary.c_str(), target.c_str());
    if (ownerKept && !temporary.empty() &&
        copyImage(image_.c_str(), temporary.c_str(), imageBytes) &&
        file::setReadOnly(temporary.c_str(), false)) {
        bool haveText = true;
        if (placement) {
            header.windowWidth = placement->width;
            header.windowHeight = placement->height;
            header.flags = placement->maximized ? header.flags | kNoteMaximized
                                                : header.flags & ~kNoteMaximized;
            // Every save writes under a fresh IV, even when the text did not change.
            if (!ivUnwritten_) {
                String text;
                haveText = getText(text);
                if (haveText) setText(text);
                haveText = haveText && !ivMissing_;
                secureWipe(text);
            }
        }

        Bytes record;
        buildRecord(record);
        ok = haveText && writeNoteFile(temporary, record) && flushFile(temporary) &&
             readBackMatches(temporary, imageBytes, *this, record);
    }

    // The look at the target comes last, once the new file stands ready, so that as little as
    // possible can slip in between it and the replace.
    bool declined = false;
    if (ok && confirm) ok = mayReplace(named, confirm, declined);
    const unsigned names = ok ? file::linkCount(target.c_str()) : 1;
    if (ok) ok = replaceTarget(temporary, target);
    if (!ok) {
        // Taken before the clean-up below, whose own calls may overwrite it.
        const int systemError = file::lastError();
        // Should a failed replace ever have taken the old file away, the new one is all there is.
        bool onlyCopy = !declined && targetExisted && !file::exists(target.c_str());
        if (!temporary.empty() && !onlyCopy) file::remove(temporary.c_str());
        if (ivMissing_) return {IoFault::NoRandom};
        if (!ownerKept) return {IoFault::OwnerNotKept};
        if (declined) return {IoFault::Declined};
        return {IoFault::NotWritten, systemError};
    }
    file::Stamp stamp;
    identity_ =
        noteIdentity(file::lookAt(target.c_str(), stamp) == file::Presence::Present, stamp, header);
    path = named;
    ivUnwritten_ = false;
    // The other names of a hard-linked note still point at the file that was replaced.
    return {IoFault::None, 0, names - 1};
}

// Looks again after every Yes: what is overwritten is what the user last agreed to lose.
bool NoteDocument::mayReplace(const String& target, ConfirmOverwrite confirm,
                              bool& declined) const {
    for (NoteIdentity expected = identity_;;) {
        NoteIdentity now;
        if (!lookAtNote(target, now)) return false;
        if (sameNote(expected, now)) return true;
        if (!confirm(now.present ? NoteChange::Changed : NoteChange::Gone)) {
            declined = true;
            return false;
        }
        expected = now;
    }
}

bool NoteDocument::writeNoteFile(const String& temporary, const Bytes& record) const {
    FileEndData block(temporary, false);
    if (block.trailerFault() != TrailerFault::None) file::setLastError(block.trailerError());
    return block.writeData(record);
}

bool NoteDocument::replaceTarget(const String& temporary, const String& target) const {
#ifdef _WIN32
    // A read-only note file is still replaced; its attribute comes back if the replace fails.
    // A rename on POSIX needs no write permission on the file it replaces, whose mode the new
    // file takes over unchanged.
    const bool wasReadOnly = file::isReadOnly(target.c_str());
#else
    const bool wasReadOnly = false;
#endif
    if (wasReadOnly && !file::setReadOnly(target.c_str(), false)) return false;
    if (file::replace(temporary.c_str(), target.c_str())) return true;
    const int systemError = file::lastError();
    if (wasReadOnly) file::setReadOnly(target.c_str(), true);
    file::setLastError(systemError);
    return false;
}

String saveFailureText(const IoStatus& status, const String& target) {
    switch (status.fault) {
        case IoFault::None:
        case IoFault::Declined:
            return {};
        case IoFault::NoRandom:
            return kNoRandom;
        case IoFault::OwnerNotKept:
            return target +
                   ": it belongs to another user or group, which this user cannot give a "
                   "new file; nothing was saved.";
        default:
            return failureText("Error saving file!", status.systemError);
    }
}

String saveNoticeText(const IoStatus& status, const String& target) {
    if (!status || status.otherNames == 0) return {};
    return target + ": its " + decimal(status.otherNames) +
           " other name(s) (hard links) keep the old text and passphrase.";
}
