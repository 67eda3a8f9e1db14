// A byte sink that passes everything on and sums it for the PE checksum of the whole media file.
#pragma once

#include <cstdint>

#include "common/payload/byte_source.h"

namespace drx::mkmedia {

// Sums every byte written, at its file offset. Back-patches (writeAt) are added too: they must
// only fill bytes first written as zeros, as the payload writer's CRC and length fields are.
class PeChecksumSink : public payload::ByteSink {
 public:
  explicit PeChecksumSink(payload::ByteSink& inner) : inner_(inner) {}
  bool write(const void* data, size_t count) override;
  bool writeAt(int64_t offset, const void* data, size_t count) override;
  // The checksum of everything written so far, as a file of that length.
  uint32_t checksum() const;

 private:
  payload::ByteSink& inner_;
  uint64_t sum_ = 0;
  uint64_t position_ = 0;
};

}  // namespace drx::mkmedia
