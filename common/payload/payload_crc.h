// CRC-32 (zlib's crc32: IEEE 802.3, reflected 0xEDB88320) of the payload's checksum region.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/payload/byte_source.h"

namespace drx::payload {

// Continues a CRC over `size` more bytes; start with crc = 0. Handles sizes above 4 GiB.
uint32_t crc32Update(uint32_t crc, const void* data, size_t size);

// Called after each chunk with the bytes done so far and the total.
using CrcProgress = void (*)(void* context, int64_t done, int64_t total);

constexpr size_t kCrcChunkSize = 16384;

// CRC of `length` bytes at `offset` (normally P + kHeaderSize and header.regionLength), read in
// chunks of kCrcChunkSize, never holding more. kTruncated when the source ends first (the bytes
// done are left in `done`), kReadFailed on an I/O failure. A negative length is kNegativeLength.
Error crcOfRegion(ByteSource& source, int64_t offset, int64_t length, uint32_t& crc, int64_t* done = nullptr,
                  CrcProgress progress = nullptr, void* context = nullptr);

}  // namespace drx::payload
