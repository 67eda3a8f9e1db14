// Summing the media file for its PE checksum while it is written.
#include "tools/mkmedia/pe_checksum_sink.h"

#include "tools/mkmedia/pe_image.h"

namespace drx::mkmedia {

bool PeChecksumSink::write(const void* data, size_t count) {
  if (!inner_.write(data, count)) return false;
  sum_ = addPeChecksumBytes(sum_, static_cast<const uint8_t*>(data), count, position_);
  position_ += count;
  return true;
}

bool PeChecksumSink::writeAt(int64_t offset, const void* data, size_t count) {
  if (!inner_.writeAt(offset, data, count)) return false;
  sum_ = addPeChecksumBytes(sum_, static_cast<const uint8_t*>(data), count, static_cast<uint64_t>(offset));
  return true;
}

uint32_t PeChecksumSink::checksum() const { return finishPeChecksum(sum_, position_); }

}  // namespace drx::mkmedia
