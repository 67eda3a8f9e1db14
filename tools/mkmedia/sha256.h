// SHA-256 (FIPS 180-4) for mkmedia's --jre-sha256: the builder runs on Linux as well as on
// Windows, so it carries its own small routine; the launcher checks with Windows' CNG instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/payload/digest_text.h"

namespace drx::mkmedia {

class Sha256 {
 public:
  Sha256();
  void update(const void* data, size_t size);
  // Ends the message; the object is spent afterwards.
  void finish(uint8_t (&digest)[payload::kSha256Bytes]);

 private:
  void compress(const uint8_t* block);

  uint32_t state_[8];
  uint8_t block_[64];
  size_t blockUsed_ = 0;
  uint64_t totalBytes_ = 0;
};

// The digest of a whole file, as 64 lower-case hexadecimal digits. False with `error` when the
// file cannot be read.
bool sha256OfFile(const std::string& path, std::string& digestText, std::string& error);

}  // namespace drx::mkmedia
