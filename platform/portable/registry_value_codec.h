// Registry value data as the library reads and writes it: pure functions over bytes and sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace drx::platform {

// Every value goes through one buffer of this many bytes (50,000 UTF-16 units).
inline constexpr size_t kValueBufferBytes = 100000;
inline constexpr size_t kValueBufferUnits = kValueBufferBytes / 2;
// A written text keeps at most this many characters, so it and its NUL fill the buffer.
inline constexpr size_t kMaxStoredTextUnits = kValueBufferUnits - 1;

// Registry types the library converts (winnt.h values, repeated here to stay portable).
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// A run of UTF-16 units inside a data buffer: offset and length counted in units.
struct UnitRun {
  size_t offset;
  size_t length;
  bool operator==(const UnitRun&) const = default;
};

// Reads UTF-16 unit i of little-endian data without caring about alignment.
inline uint16_t unitAt(const uint8_t* data, size_t i) {
  return static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

// REG_SZ and REG_EXPAND_SZ: the units before the first NUL. Data written without a
// terminator ends at its size; an odd last byte is not half a character.
size_t textLength(const uint8_t* data, size_t size);

// REG_MULTI_SZ: the items of the list in order. An item starts wherever more than two
// bytes of data remain; empty items inside the list are kept, the closing NUL is not an
// item, and an unterminated last item ends at the data size.
std::vector<UnitRun> multiStringItems(const uint8_t* data, size_t size);

// REG_DWORD: the little-endian 32-bit number, or nothing when fewer than four bytes exist.
std::optional<int32_t> dwordValue(const uint8_t* data, size_t size);

// Value kind codes of setValue0 and the registry type each one writes (0: unknown kind).
uint32_t registryTypeOfKind(int32_t kindCode);

// How many characters of a text of the given length are stored.
inline size_t storedTextLength(size_t length) {
  return length < kMaxStoredTextUnits ? length : kMaxStoredTextUnits;
}

// Builds a REG_MULTI_SZ list into a buffer of capacity units. An empty item cannot be
// stored (it would end the list early) and fails the whole write, as does a list that
// would not fit with its closing NUL.
class MultiStringWriter {
 public:
  enum class Result { kOk, kEmptyItem, kTooLong };

  MultiStringWriter(uint16_t* buffer, size_t capacityUnits) : buffer_(buffer), capacity_(capacityUnits) {}

  Result append(const uint16_t* units, size_t length);
  // Adds the closing NUL and returns the value's size in bytes (2 for an empty list).
  size_t finish();

 private:
  uint16_t* buffer_;
  size_t capacity_;
  size_t used_ = 0;
};

}  // namespace drx::platform
