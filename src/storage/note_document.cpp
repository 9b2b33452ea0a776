#include "storage/note_document.h"

#include <algorithm>
#include <cstring>

#include "storage/buffer.h"
#include "storage/crypto/aes.h"
#include "storage/crypto/sha256.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/random.h"
#include "storage/wipe.h"

namespace {

constexpr std::size_t kBlock = 16;

bool allZero(const std::uint8_t* p, std::size_t n) {
    std::uint8_t any = 0;
    while (n--) any |= *p++;
    return any == 0;
}

// Sixteen IV bytes, each the generator's next value modulo 255, so every byte lies in 0..254.
// Only the operating system's generator makes them unpredictable: without it there is no IV.
bool drawIv(std::uint8_t iv[kBlock]) {
    std::uint8_t raw[kBlock];
    const bool drawn = secureRandom(raw, kBlock);
    for (std::size_t i = 0; i < kBlock; ++i) iv[i] = raw[i] % 255;
    secureWipe(raw, sizeof raw);
    return drawn;
}

// Straight copies: a string's insert from bytes of another type would build a temporary string
// of plaintext and free it unwiped.
void appendTo(String& out, const std::uint8_t* p, std::size_t n) {
    out.append(reinterpret_cast<const char*>(p), n);
}
void appendTo(Bytes& out, const std::uint8_t* p, std::size_t n) {
    out.append(p, n);
}

// The note record of the file at `path`: the whole file when it begins as a record, else its
// block. Each failure keeps the system's error of its own step: a file held by another program
// or closed to this user says so.
IoStatus readRecord(const String& path, Bytes& record) {
    file::setLastError(0);
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    if (!h) return systemFailure(IoFault::Unreadable);
    std::uint8_t head[NoteHeader::kSize];
    std::uint32_t got = 0;
    if (!file::read(h.get(), head, sizeof head, got)) return systemFailure(IoFault::Unreadable);
    if (got == sizeof head && std::memcmp(head, NoteHeader::kMagic, 8) == 0) {
        const std::uint32_t size = file::size(h.get());
        if (size == file::kNoSize || !file::seek(h.get(), 0))
            return systemFailure(IoFault::Unreadable);
        record.resize(size);
        return file::read(h.get(), record.data(), size, got) && got == size
                   ? IoStatus{}
                   : systemFailure(IoFault::Unreadable);
    }
    FileEndData block(path, true);
    if (block.trailerFault() == TrailerFault::Overlong) return {IoFault::Damaged};
    if (block.trailerFault() == TrailerFault::Unreadable)
        return {IoFault::Unreadable, block.trailerError()};
    if (!block.hasData()) return {IoFault::NotANote};
    return block.readData(record) ? IoStatus{} : systemFailure(IoFault::Unreadable);
}

}  // namespace

void textDigest(const std::uint8_t* text, std::size_t n, const std::uint8_t iv[16],
                std::uint8_t digest[32]) {
    Sha256Context ctx;
    sha256Init(ctx);
    if (n) sha256Update(ctx, text, n);
    sha256Update(ctx, iv, kBlock);
    sha256Final(ctx, digest);
    secureWipe(&ctx, sizeof ctx);
}

NoteDocument::NoteDocument(String image) : image_(std::move(image)) {
    resetHeader();
}

NoteDocument::~NoteDocument() {
    secureWipe(key.data(), key.size());
}

void NoteDocument::resetHeader() {
    secureWipe(key.data(), key.size());
    keySet = false;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.magic, NoteHeader::kMagic, 8);
}

void NoteDocument::setKey(std::string_view passphrase) {
    sha256(passphrase.data(), passphrase.size(), key.data());
    keySet = true;
}

bool NoteDocument::trialDecrypt(std::uint8_t* piece, TextSink keep) const {
    std::uint8_t iv[kBlock];
    std::memcpy(iv, header.iv, kBlock);
    AesDecKeySchedule schedule;
    expandDecKey(key.data(), schedule);
    Sha256Context ctx;
    sha256Init(ctx);
    // A payload that is not whole blocks is never decrypted: its trial is zero bytes, which fail
    // the digest.
    const bool blocks = payload.size() % kBlock == 0;
    const std::size_t textLength = header.textLength;
    for (std::size_t at = 0; at < payload.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, payload.size() - at);
        if (blocks)
            cbcDecrypt(payload.data() + at, piece, n, iv, schedule);
        else
            std::memset(piece, 0, n);
        if (at >= textLength) continue;
        const std::size_t text = std::min(n, textLength - at);
        sha256Update(ctx, piece, text);
        if (keep) keep(piece, text);
    }
    secureWipe(&schedule, sizeof schedule);
    secureWipe(piece, std::min(kPiece, payload.size()));
    sha256Update(ctx, header.iv, kBlock);
    std::uint8_t digest[32];
    sha256Final(ctx, digest);
    secureWipe(&ctx, sizeof ctx);
    return std::memcmp(digest, header.digest, 32) == 0;
}

bool NoteDocument::verifyKey() const {
    if (!keySet) return false;
    // An empty note protects nothing: its digest is zero and any key opens it.
    if (payload.empty()) return true;
    std::uint8_t piece[kPiece];
    return trialDecrypt(piece, nullptr);
}

template <typename Out>
bool NoteDocument::decryptInto(Out& out) const {
    if (payload.empty()) {
        secureWipe(out);
        out.clear();
        return true;
    }
    // Each piece is appended to a buffer of the kind the caller receives, sized once: the text
    // exists once, and no memory is zero-filled only to be overwritten.
    Out trial;
    trial.reserve(header.textLength);
    std::uint8_t piece[kPiece];
    const bool ok = trialDecrypt(
        piece, [&trial](const std::uint8_t* text, std::size_t n) { appendTo(trial, text, n); });
    if (ok) out.swap(trial);
    secureWipe(trial);  // the trial on failure, or what `out` held before
    return ok;
}

bool NoteDocument::decrypt(Bytes& out) const {
    return decryptInto(out);
}

bool NoteDocument::getText(String& out) const {
    return decryptInto(out);
}

void NoteDocument::encrypt(const Bytes& plaintext) {
    encrypt(plaintext.data(), plaintext.size());
}

void NoteDocument::encrypt(const std::uint8_t* plaintext, std::size_t n) {
    // Without an IV the document stays as it was, and no save goes ahead.
    std::uint8_t fresh[kBlock];
    ivMissing_ = n != 0 && !drawIv(fresh);
    if (ivMissing_) return;
    if (n == 0) {
        header.payloadLength = 0;
        header.textLength = 0;
        std::memset(header.digest, 0, sizeof header.digest);
        payload.clear();
        return;
    }
    const std::size_t m = (n + kBlock - 1) / kBlock * kBlock;
    header.textLength = static_cast<std::uint32_t>(n);
    header.payloadLength = static_cast<std::uint32_t>(m);
    std::memcpy(header.iv, fresh, kBlock);

    std::uint8_t iv[kBlock];
    std::memcpy(iv, header.iv, kBlock);
    AesEncKeySchedule schedule;
    expandEncKey(key.data(), schedule);
    Sha256Context ctx;
    sha256Init(ctx);
    // A piece at a time, copied, hashed and encrypted in place while it is still in the cache: the
    // clear text in `payload` is overwritten by its ciphertext, and the last piece is padded with
    // zero bytes to whole blocks. Every piece starts before the end of the text.
    payload.clear();
    payload.reserve(m);
    for (std::size_t at = 0; at < m; at += kPiece) {
        const std::size_t text = std::min(kPiece, n - at);
        payload.append(plaintext + at, text);
        sha256Update(ctx, plaintext + at, text);
        payload.resize(std::min(m, at + kPiece));
        cbcEncrypt(payload.data() + at, payload.data() + at, payload.size() - at, iv, schedule);
    }
    secureWipe(&schedule, sizeof schedule);
    sha256Update(ctx, header.iv, kBlock);
    sha256Final(ctx, header.digest);
    secureWipe(&ctx, sizeof ctx);
    ivUnwritten_ = true;
}

void NoteDocument::setText(const String& text) {
    encrypt(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void NoteDocument::buildRecord(Bytes& out) const {
    // Appended rather than resized and overwritten: a zero fill of megabytes is wasted work.
    std::uint8_t head[NoteHeader::kSize];
    header.store(head);
    out.clear();
    out.reserve(NoteHeader::kSize + payload.size());
    out.append(head, NoteHeader::kSize);
    out.append(payload.data(), payload.size());
}

bool NoteDocument::readHeader(const Bytes& record, NoteHeader& h) {
    return record.size() >= NoteHeader::kSize && headerFits(record.data(), record.size(), h);
}

bool NoteDocument::headerFits(const std::uint8_t* head, std::uint64_t recordSize, NoteHeader& h) {
    if (std::memcmp(head, NoteHeader::kMagic, 8) != 0) return false;
    h.loadFrom(head);
    if (recordSize != static_cast<std::uint64_t>(h.payloadLength) + NoteHeader::kSize) return false;
    // Lengths that lie would make decryption read past the payload, or let every passphrase in.
    if (h.textLength > h.payloadLength) return false;
    if (h.payloadLength != 0 && h.textLength == 0) return false;
    if (h.payloadLength == 0 && !allZero(h.digest, sizeof h.digest)) return false;
    return true;
}

bool NoteDocument::parseRecord(const Bytes& record) {
    NoteHeader h;
    if (!readHeader(record, h)) return false;
    header = h;
    payload.assign(record.data() + NoteHeader::kSize, record.size() - NoteHeader::kSize);
    return true;
}

bool NoteDocument::adoptRecord(Bytes& record) {
    NoteHeader h;
    if (!readHeader(record, h)) return false;
    header = h;
    // The record's own storage becomes the payload: one move down, no second buffer.
    record.erase(0, NoteHeader::kSize);
    payload.swap(record);
    return true;
}

bool NoteDocument::isRecordFile(const String& path) {
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    std::uint8_t head[NoteHeader::kSize];
    std::uint32_t got = 0;
    if (!file::read(h.get(), head, sizeof head, got) || got != sizeof head) return false;
    return std::memcmp(head, NoteHeader::kMagic, 8) == 0;
}

IoStatus NoteDocument::load(const String& notePath) {
    // Looked at before the read: a write that lands in between makes the next save ask, where a
    // look after it could take the new file for the one read.
    file::Stamp stamp;
    const bool present = file::lookAt(notePath.c_str(), stamp) == file::Presence::Present;
    Bytes record;
    if (const IoStatus read = readRecord(notePath, record); !read) return read;
    if (!adoptRecord(record)) return {IoFault::Damaged};
    path = notePath;
    identity_ = noteIdentity(present, stamp, header);
    return {};
}

void NoteDocument::clear() {
    path.clear();
    setText(String());
}

void NoteDocument::changePassphrase(std::string_view passphrase) {
    // Decrypted once: the text's digest is the check of the old key.
    Bytes text;
    if (payload.empty() || !keySet || !decrypt(text)) {
        setKey(passphrase);
        return;
    }
    setKey(passphrase);
    encrypt(text);
    secureWipe(text);
}
