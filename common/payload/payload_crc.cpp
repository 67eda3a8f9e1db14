// Chunked CRC-32 over a byte source through zlib.
#include "common/payload/payload_crc.h"

#include <zlib.h>

#include <algorithm>

namespace drx::payload {

uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
  const Bytef* bytes = static_cast<const Bytef*>(data);
  uLong value = crc;
  // zlib takes a uInt length: feed very large buffers in pieces.
  while (size > 0) {
    uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    value = ::crc32(value, bytes, piece);
    bytes += piece;
    size -= piece;
  }
  return static_cast<uint32_t>(value);
}

Error crcOfRegion(ByteSource& source, int64_t offset, int64_t length, uint32_t& crc, int64_t* done,
                  CrcProgress progress, void* context) {
  crc = 0;
  if (done) *done = 0;
  if (length < 0) return Error::kNegativeLength;
  ByteCursor cursor(source, offset);
  uint8_t buffer[kCrcChunkSize];
  int64_t total = 0;
  while (total < length) {
    size_t chunk = static_cast<size_t>(std::min<int64_t>(length - total, kCrcChunkSize));
    // Take what is left when the source ends early, so `done` says how far the check got.
    size_t available = static_cast<size_t>(std::min<int64_t>(cursor.remaining(), chunk));
    if (available == 0) return Error::kTruncated;
    if (Error e = cursor.readBytes(buffer, available); e != Error::kNone) return e;
    crc = crc32Update(crc, buffer, available);
    total += static_cast<int64_t>(available);
    if (done) *done = total;
    if (progress) progress(context, total, length);
  }
  return Error::kNone;
}

}  // namespace drx::payload
