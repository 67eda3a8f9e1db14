// PE header arithmetic that finds the payload start, and the builder's check of a stub image.
#include "common/payload/pe_layout.h"

#include <cstring>

namespace drx::payload {
namespace {

constexpr int64_t kPeOffsetField = 60;
constexpr int64_t kSectionHeaderSize = 40;

Error readU16At(ByteSource& source, int64_t offset, uint16_t& value) {
  ByteCursor cursor(source, offset);
  return cursor.readU16(value);
}

Error readU32At(ByteSource& source, int64_t offset, uint32_t& value) {
  ByteCursor cursor(source, offset);
  return cursor.readU32(value);
}

}  // namespace

Error findPayloadStart(ByteSource& source, PeLayout& layout) {
  layout = PeLayout{};
  uint32_t h = 0;
  if (Error e = readU32At(source, kPeOffsetField, h); e != Error::kNone) return e;
  layout.peHeaderOffset = static_cast<int32_t>(h);
  if (layout.peHeaderOffset < 0) return Error::kNotPe;
  const int64_t pe = layout.peHeaderOffset;
  if (Error e = readU16At(source, pe + 6, layout.sectionCount); e != Error::kNone) return e;
  if (Error e = readU16At(source, pe + 20, layout.optionalHeaderSize); e != Error::kNone) return e;
  // With no section the arithmetic would land inside the optional header.
  if (layout.sectionCount == 0) return Error::kNotPe;
  layout.lastSectionHeaderOffset =
      pe + 24 + layout.optionalHeaderSize + kSectionHeaderSize * (layout.sectionCount - 1);
  const int64_t t = layout.lastSectionHeaderOffset + 16;
  if (Error e = readU32At(source, t, layout.rawDataSize); e != Error::kNone) return e;
  if (Error e = readU32At(source, t + 4, layout.rawDataOffset); e != Error::kNone) return e;
  layout.payloadStart = int64_t{layout.rawDataOffset} + int64_t{layout.rawDataSize};
  if (layout.payloadStart > kMaxMediaFileSize) return Error::kTooLarge;
  return Error::kNone;
}

Error checkLauncherStub(ByteSource& source, PeLayout& layout) {
  if (source.size() > kMaxMediaFileSize) return Error::kTooLarge;
  char mz[2] = {};
  {
    ByteCursor cursor(source, 0);
    if (Error e = cursor.readBytes(mz, 2); e != Error::kNone)
      return e == Error::kTruncated ? Error::kNotPe : e;
  }
  if (std::memcmp(mz, "MZ", 2) != 0) return Error::kNotPe;
  Error found = findPayloadStart(source, layout);
  if (found == Error::kTruncated) return Error::kNotPe;
  if (found != Error::kNone) return found;
  char signature[4] = {};
  ByteCursor cursor(source, layout.peHeaderOffset);
  if (cursor.readBytes(signature, 4) != Error::kNone || std::memcmp(signature, "PE\0\0", 4) != 0) {
    return Error::kNotPe;
  }
  // Every section with raw data must end at or before the last header's end.
  const int64_t table = int64_t{layout.peHeaderOffset} + 24 + layout.optionalHeaderSize;
  for (int i = 0; i < layout.sectionCount; ++i) {
    uint32_t size = 0, offset = 0;
    if (readU32At(source, table + kSectionHeaderSize * i + 16, size) != Error::kNone ||
        readU32At(source, table + kSectionHeaderSize * i + 20, offset) != Error::kNone) {
      return Error::kNotPe;
    }
    if (size != 0 && int64_t{offset} + size > layout.payloadStart) return Error::kPeSectionOrder;
  }
  if (source.size() < layout.payloadStart) return Error::kTruncated;
  if (source.size() > layout.payloadStart) return Error::kPeTrailingData;
  return Error::kNone;
}

}  // namespace drx::payload
