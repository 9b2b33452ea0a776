// The note record: a 76-byte header followed by the AES-256-CBC payload, and the in-memory note
// that holds it. The document never keeps the text in clear.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "storage/buffer.h"
#include "storage/function_ref.h"
#include "storage/note_identity.h"
#include "storage/io_status.h"

constexpr std::uint32_t kNoteReadOnly = 1;
constexpr std::uint32_t kNoteMaximized = 2;
// The text is UTF-8. Clear: the text is bytes of the ANSI code page of the Windows that wrote it,
// the form every note had before the flag existed and still has when its text fits that page.
constexpr std::uint32_t kNoteUtf8 = 4;

// Byte layout, little-endian, no padding:
//   0 magic "QUiLLX*2" | 8 digest[32] | 40 iv[16] | 56 payloadLength | 60 textLength |
//   64 flags | 68 windowWidth (signed) | 72 windowHeight (signed)
struct NoteHeader {
    static constexpr std::size_t kSize = 76;
    // Where payloadLength sits: the tool finds a record's end from it without loading the rest.
    static constexpr std::size_t kPayloadLengthAt = 56;
    static constexpr char kMagic[9] = "QUiLLX*2";

    char magic[8];
    std::uint8_t digest[32];
    std::uint8_t iv[16];
    std::uint32_t payloadLength;
    std::uint32_t textLength;
    std::uint32_t flags;
    std::int32_t windowWidth;
    std::int32_t windowHeight;

    // Field by field, so the layout never depends on the compiler.
    void store(std::uint8_t out[kSize]) const;
    void loadFrom(const std::uint8_t in[kSize]);
};
static_assert(sizeof(NoteHeader) == NoteHeader::kSize, "the header is 76 bytes with no padding");

struct WindowPlacement {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool maximized = false;
};

// What a save found at its target in place of the note file the document read or last wrote.
enum class NoteChange { Changed, Gone };
// Asked by a save before it replaces such a file; true to go on and overwrite it.
using ConfirmOverwrite = FunctionRef<bool(NoteChange)>;

class NoteDocument {
public:
    // `image` is the executable whose editor image every save copies in front of the record:
    // the editor passes its own module path, the command-line tool the editor it was given.
    explicit NoteDocument(String image = {});
    ~NoteDocument();
    NoteDocument(const NoteDocument&) = delete;
    NoteDocument& operator=(const NoteDocument&) = delete;

    void resetHeader();
    // The key is SHA-256 of exactly these bytes (passphrase.h says which bytes a passphrase is).
    void setKey(std::string_view passphrase);
    bool verifyKey() const;
    bool decrypt(Bytes& out) const;
    void encrypt(const Bytes& plaintext);
    void encrypt(const std::uint8_t* plaintext, std::size_t n);
    bool getText(String& out) const;
    void setText(const String& text);
    void buildRecord(Bytes& out) const;
    bool parseRecord(const Bytes& record);
    // The header of `record` into `h` when the record is well formed: magic, lengths and digest
    // agree with its size.
    static bool readHeader(const Bytes& record, NoteHeader& h);
    // The same for a record of `recordSize` bytes of which only the kSize bytes of `head` are read.
    static bool headerFits(const std::uint8_t* head, std::uint64_t recordSize, NoteHeader& h);
    static bool isRecordFile(const String& path);
    // Reads the note file at `path`: a note executable's block, or a file that is a bare record.
    // Failed, the document is left as it was.
    IoStatus load(const String& path);
    // With `confirm`, the target is the note file this document read or last wrote, and a target
    // that has been written, replaced or removed since is overwritten only when `confirm` agrees.
    // Declined, nothing is written and the status says Declined.
    IoStatus save(const String& target, const WindowPlacement& placement,
                  ConfirmOverwrite confirm = nullptr);
    // Writes the record as it stands, without decrypting or re-encrypting, by the same safe road
    // as `save`: for the settings the digest does not cover (the read-only flag).
    IoStatus rewrite(const String& target);
    void clear();
    void changePassphrase(std::string_view passphrase);

    const String& image() const { return image_; }
    void setImage(String image) { image_ = std::move(image); }

    String path;
    Bytes payload;
    std::array<std::uint8_t, 32> key{};
    bool keySet = false;
    NoteHeader header{};

private:
    // Where a trial decryption hands each piece of the text while it is still in the cache.
    using TextSink = FunctionRef<void(const std::uint8_t* text, std::size_t n)>;
    // Decrypts the payload a piece at a time into the kPiece bytes of `piece`, which it wipes
    // at the end, and answers whether its digest matches; `keep`, when given, receives the text.
    bool trialDecrypt(std::uint8_t* piece, TextSink keep) const;
    // `decrypt` and `getText`: the whole text into a byte vector or a string.
    template <typename Out>
    bool decryptInto(Out& out) const;
    // parseRecord taking over `record`'s storage for the payload.
    bool adoptRecord(Bytes& record);
    // Decryption goes a piece at a time, each piece hashed while it is still in the cache.
    static constexpr std::size_t kPiece = 32 * 1024;
    // Builds the note file beside `target` and puts it in place; with a placement the text is
    // encrypted afresh once the image is in place.
    IoStatus writeSafely(const String& named, const WindowPlacement* placement,
                         ConfirmOverwrite confirm = nullptr);
    // The last look at the target before it is replaced; `declined` when the user said No.
    bool mayReplace(const String& target, ConfirmOverwrite confirm, bool& declined) const;
    bool writeNoteFile(const String& temporary, const Bytes& record) const;
    bool replaceTarget(const String& temporary, const String& target) const;

    String image_;
    // The note file as this document read or last wrote it.
    NoteIdentity identity_;
    // The IV in the header was drawn by an encryption whose record no save has written yet, so a
    // save need not encrypt the text once more to write a fresh IV.
    bool ivUnwritten_ = false;
    // The last encryption found no IV from the system's generator and left no text; every save
    // refuses until an encryption succeeds.
    bool ivMissing_ = false;
};

// SHA-256 over the plaintext followed by the 16 IV bytes: the keyless check of a passphrase.
void textDigest(const std::uint8_t* text, std::size_t n, const std::uint8_t iv[16],
                std::uint8_t digest[32]);
// The number of bytes of `image` before any note block it carries: the editor part a note built
// on it receives. False when the image cannot be read or its trailer is broken.
bool editorPartLength(const String& image, std::uint32_t& length);
