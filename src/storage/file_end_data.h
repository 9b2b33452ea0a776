// One block of data kept at the end of any file, found again by the 8-byte trailer that closes
// the file:
//
//   host content | block (length bytes) | magic EF BE AD DE | length (u32, little-endian)
//
// No handle is held between operations: each one opens the file, works and closes it again.
#pragma once

#include <cstdint>
#include <memory>

#include "storage/buffer.h"

// What was wrong with a trailer that is there: it could not be read, or it claims more bytes than
// the file has.
enum class TrailerFault { None, Unreadable, Overlong };

struct FileEndState {
    String path;
    bool hasData = false;
    bool readOnly = false;
    std::uint32_t offset = 0;  // first byte of the block
    std::uint32_t length = 0;
    int openError = 0;  // the system's error when the file could not be opened
    TrailerFault fault = TrailerFault::None;
    int faultError = 0;  // the system's error, taken when the trailer could not be read
};

class FileEndData {
public:
    static constexpr std::uint32_t kMagic = 0xDEADBEEFu;
    static constexpr std::uint32_t kTrailerSize = 8;

    // Reads the trailer of `path`. A broken trailer says so through trailerFault(); such a file
    // has no block and takes none.
    FileEndData(const String& path, bool readOnly);
    ~FileEndData();
    FileEndData(const FileEndData&) = delete;
    FileEndData& operator=(const FileEndData&) = delete;

    bool hasData() const { return state_->hasData; }
    std::uint32_t offset() const { return state_->offset; }
    std::uint32_t length() const { return state_->length; }
    // Why a file that carries no block could not even be opened (errno or GetLastError()); 0
    // when it was opened.
    int openError() const { return state_->openError; }
    TrailerFault trailerFault() const { return state_->fault; }
    int trailerError() const { return state_->faultError; }

    // Reads the block; false without a block or when it cannot be read in full.
    bool readData(Bytes& buffer);
    // Writes `data` as the file's block (in place of the old one, or after the file's end), then
    // the trailer, and cuts the file there. Refused on a read-only object.
    bool writeData(const Bytes& data);

private:
    void readHeader();

    std::unique_ptr<FileEndState> state_;
};
