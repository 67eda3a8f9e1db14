// Registry value decoding and multi-string building, shared by the DLL and the host tests.
#include "platform/portable/registry_value_codec.h"

#include <cstring>

namespace drx::platform {

size_t textLength(const uint8_t* data, size_t size) {
  const size_t units = size / 2;
  size_t n = 0;
  while (n < units && unitAt(data, n) != 0) ++n;
  return n;
}

std::vector<UnitRun> multiStringItems(const uint8_t* data, size_t size) {
  std::vector<UnitRun> items;
  const size_t units = size / 2;
  size_t position = 0;  // in units
  // "More than two bytes before the end": a lone closing NUL is no item.
  while (2 * position + 2 < size) {
    size_t end = position;
    while (end < units && unitAt(data, end) != 0) ++end;
    items.push_back({position, end - position});
    position = end + 1;
  }
  return items;
}

std::optional<int32_t> dwordValue(const uint8_t* data, size_t size) {
  if (size < 4) return std::nullopt;
  const uint32_t v = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                     (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
  return static_cast<int32_t>(v);
}

uint32_t registryTypeOfKind(int32_t kindCode) {
  switch (kindCode) {
    case 1:
      return kRegSz;
    case 2:
      return kRegDword;
    case 3:
      return kRegMultiSz;
    case 4:
      return kRegBinary;
    case 5:
      return kRegExpandSz;
    default:
      return 0;
  }
}

MultiStringWriter::Result MultiStringWriter::append(const uint16_t* units, size_t length) {
  if (length == 0) return Result::kEmptyItem;
  // Room for the item, its NUL and the list's closing NUL.
  if (used_ + length + 2 > capacity_) return Result::kTooLong;
  std::memcpy(buffer_ + used_, units, length * sizeof(uint16_t));
  used_ += length;
  buffer_[used_++] = 0;
  return Result::kOk;
}

size_t MultiStringWriter::finish() {
  buffer_[used_] = 0;
  return used_ * 2 + 2;
}

}  // namespace drx::platform
