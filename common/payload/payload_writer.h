// Streaming writer of the appended payload (used by mkmedia and by tests that need media files).
//
// Order of calls: writeHeaderAndProperties, then for each included file beginIncludedFile and
// writeIncludedFileData until its size is reached, then any writeRemainingData, then finish,
// which patches the CRC and the region length into the header. Nothing is held in memory
// beyond one chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/payload/byte_source.h"
#include "common/payload/payload_format.h"

namespace drx::payload {

struct NarrowProperty {
  int32_t id;
  std::string value;  // bytes in the target ANSI code page, no terminator
};

struct WideProperty {
  int32_t id;
  std::u16string value;  // written as UTF-16LE
};

class PayloadWriter {
 public:
  // `payloadStart`: the sink's current size, where the payload begins (the stub is already written).
  PayloadWriter(ByteSink& sink, int64_t payloadStart);

  // Header with placeholder CRC and region length, then both tables in the given order
  // (duplicates are written as given).
  Error writeHeaderAndProperties(bool verify, const std::vector<NarrowProperty>& narrow,
                                 const std::vector<WideProperty>& wide);
  // Starts an included file: writes its size. A size of 0 or less takes no content.
  Error beginIncludedFile(int64_t size);
  // Content of the current file, masked with 0x5E on the way out. kSizeMismatch past its size.
  Error writeIncludedFileData(const void* data, size_t size);
  // The same, masking the caller's buffer in place (saves a copy when the buffer is scratch).
  Error writeIncludedFileDataInPlace(uint8_t* data, size_t size);
  // Unmasked bytes behind the included files. kSizeMismatch if a file is still incomplete.
  Error writeRemainingData(const void* data, size_t size);
  // Raw bytes into the checksum region at the current place, for deliberately odd payloads.
  Error writeRawRegionBytes(const void* data, size_t size);
  // Patches CRC and region length. kSizeMismatch if a file is incomplete.
  Error finish();

  int64_t position() const { return position_; }
  int64_t includedFilesOffset() const { return includedFilesOffset_; }  // F
  int64_t unextractedOffset() const { return unextractedOffset_; }      // U: behind the last file
  uint32_t crc() const { return crc_; }
  int64_t regionLength() const { return position_ - (payloadStart_ + kHeaderSize); }

 private:
  Error emit(const void* data, size_t size, bool inRegion);

  ByteSink& sink_;
  int64_t payloadStart_;
  int64_t position_;
  int64_t includedFilesOffset_ = 0;
  int64_t unextractedOffset_ = 0;
  int64_t fileRemaining_ = 0;
  uint32_t crc_ = 0;
  bool started_ = false;
  bool finished_ = false;
  bool remainingStarted_ = false;
  std::vector<uint8_t> scratch_;
};

// Encodes property records exactly as the writer lays them out (id, length, bytes), for tests.
std::string encodeNarrowRecord(int32_t id, const std::string& value);
std::string encodeWideRecord(int32_t id, const std::u16string& value);

}  // namespace drx::payload
