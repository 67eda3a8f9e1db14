// Constants of the appended payload layout and the error codes of its reader and writer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drx::payload {

// Payload layout, relative to the payload start P (all integers little-endian):
//   P+0  magic 0xE8E413D5 (u32)     P+4  verify flag (i32)    P+8  CRC-32 of the region (u32)
//   P+12 region length (i64)        P+20 narrow count (i32) -- the checksum region starts here
//   narrow records {id i32, length i32, bytes}, wide count (i32),
//   wide records {id i32, byte length i32 (even), UTF-16LE bytes},
//   F: included files {size i64, size bytes XOR 0x5E} ..., U: remaining data.
constexpr uint32_t kMagic = 0xE8E413D5u;
constexpr int64_t kVerifyFlagOffset = 4;
constexpr int64_t kChecksumOffset = 8;
constexpr int64_t kRegionLengthOffset = 12;
constexpr int64_t kHeaderSize = 20;  // the checksum region starts right behind the header
constexpr uint8_t kIncludedFileMask = 0x5E;
// Positions in a media file are signed 32-bit values for the launcher: files stay below 2 GiB.
constexpr int64_t kMaxMediaFileSize = int64_t{0x7FFFFFFF};

enum class Error : int {
  kNone = 0,
  kReadFailed,      // the byte source reported an I/O failure
  kTruncated,       // the data ends before a field or record does
  kNotPe,           // no MZ/PE signature, or headers outside the file
  kPeTrailingData,  // bytes behind the end of the last section (stub already carries data)
  kPeSectionOrder,  // the last section header does not end last in the file
  kBadMagic,        // the payload does not start with kMagic
  kNegativeLength,  // a property record announces a negative length
  kOddWideLength,   // a wide record's byte length is odd
  kTooLarge,        // an offset or the file would reach 2 GiB
  kWriteFailed,     // the byte sink reported an I/O failure
  kSizeMismatch,    // an included file got more or fewer bytes than declared
  kBadState,        // writer calls out of order
};

// A short English description, for messages ("truncated data", "negative record length", ...).
const char* errorText(Error error);

// Masks (or unmasks: XOR is its own inverse) included-file content in place.
inline void applyIncludedFileMask(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) data[i] ^= kIncludedFileMask;
}

}  // namespace drx::payload
