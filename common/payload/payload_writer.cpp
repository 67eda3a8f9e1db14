// Streaming payload writer: header, property tables, masked included files, remaining data, CRC.
#include "common/payload/payload_writer.h"

#include <algorithm>

#include "common/payload/payload_crc.h"

namespace drx::payload {

std::string encodeNarrowRecord(int32_t id, const std::string& value) {
  std::string out;
  appendU32(out, static_cast<uint32_t>(id));
  appendU32(out, static_cast<uint32_t>(value.size()));
  out += value;
  return out;
}

std::string encodeWideRecord(int32_t id, const std::u16string& value) {
  std::string out;
  appendU32(out, static_cast<uint32_t>(id));
  appendU32(out, static_cast<uint32_t>(value.size() * 2));
  for (char16_t unit : value) appendU16(out, static_cast<uint16_t>(unit));
  return out;
}

PayloadWriter::PayloadWriter(ByteSink& sink, int64_t payloadStart)
    : sink_(sink), payloadStart_(payloadStart), position_(payloadStart) {}

Error PayloadWriter::emit(const void* data, size_t size, bool inRegion) {
  if (position_ + static_cast<int64_t>(size) > kMaxMediaFileSize) return Error::kTooLarge;
  if (!sink_.write(data, size)) return Error::kWriteFailed;
  if (inRegion) crc_ = crc32Update(crc_, data, size);
  position_ += static_cast<int64_t>(size);
  return Error::kNone;
}

Error PayloadWriter::writeHeaderAndProperties(bool verify, const std::vector<NarrowProperty>& narrow,
                                              const std::vector<WideProperty>& wide) {
  if (started_) return Error::kBadState;
  started_ = true;
  std::string header;
  appendU32(header, kMagic);
  appendU32(header, verify ? 1u : 0u);
  appendU32(header, 0);  // CRC, patched by finish()
  appendI64(header, 0);  // region length, patched by finish()
  if (Error e = emit(header.data(), header.size(), false); e != Error::kNone) return e;

  std::string table;
  appendU32(table, static_cast<uint32_t>(narrow.size()));
  for (const NarrowProperty& p : narrow) table += encodeNarrowRecord(p.id, p.value);
  appendU32(table, static_cast<uint32_t>(wide.size()));
  for (const WideProperty& p : wide) table += encodeWideRecord(p.id, p.value);
  if (Error e = emit(table.data(), table.size(), true); e != Error::kNone) return e;
  includedFilesOffset_ = position_;
  unextractedOffset_ = position_;
  return Error::kNone;
}

Error PayloadWriter::beginIncludedFile(int64_t size) {
  if (!started_ || finished_ || remainingStarted_ || fileRemaining_ != 0) return Error::kBadState;
  std::string field;
  appendI64(field, size);
  if (Error e = emit(field.data(), field.size(), true); e != Error::kNone) return e;
  fileRemaining_ = std::max<int64_t>(size, 0);
  unextractedOffset_ = position_ + fileRemaining_;
  return Error::kNone;
}

Error PayloadWriter::writeIncludedFileData(const void* data, size_t size) {
  if (!started_ || finished_) return Error::kBadState;
  if (static_cast<int64_t>(size) > fileRemaining_) return Error::kSizeMismatch;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  constexpr size_t kChunk = 65536;
  while (size > 0) {
    size_t n = std::min(size, kChunk);
    scratch_.assign(bytes, bytes + n);
    applyIncludedFileMask(scratch_.data(), n);
    if (Error e = emit(scratch_.data(), n, true); e != Error::kNone) return e;
    fileRemaining_ -= static_cast<int64_t>(n);
    bytes += n;
    size -= n;
  }
  return Error::kNone;
}

Error PayloadWriter::writeIncludedFileDataInPlace(uint8_t* data, size_t size) {
  if (!started_ || finished_) return Error::kBadState;
  if (static_cast<int64_t>(size) > fileRemaining_) return Error::kSizeMismatch;
  applyIncludedFileMask(data, size);
  if (Error e = emit(data, size, true); e != Error::kNone) return e;
  fileRemaining_ -= static_cast<int64_t>(size);
  return Error::kNone;
}

Error PayloadWriter::writeRemainingData(const void* data, size_t size) {
  if (!started_ || finished_) return Error::kBadState;
  if (fileRemaining_ != 0) return Error::kSizeMismatch;
  remainingStarted_ = true;
  return emit(data, size, true);
}

Error PayloadWriter::writeRawRegionBytes(const void* data, size_t size) {
  if (!started_ || finished_) return Error::kBadState;
  return emit(data, size, true);
}

Error PayloadWriter::finish() {
  if (!started_ || finished_) return Error::kBadState;
  if (fileRemaining_ != 0) return Error::kSizeMismatch;
  finished_ = true;
  std::string patch;
  appendU32(patch, crc_);
  appendI64(patch, regionLength());
  if (!sink_.writeAt(payloadStart_ + kChecksumOffset, patch.data(), patch.size())) return Error::kWriteFailed;
  return Error::kNone;
}

}  // namespace drx::payload
