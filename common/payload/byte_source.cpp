// Memory source, vector sink and the bounded little-endian cursor over a byte source.
#include "common/payload/byte_source.h"

#include <algorithm>
#include <cstring>

namespace drx::payload {

int64_t MemorySource::readAt(int64_t offset, void* buffer, size_t count) {
  if (offset < 0) return -1;
  if (static_cast<uint64_t>(offset) >= size_) return 0;
  size_t available = size_ - static_cast<size_t>(offset);
  size_t n = std::min(count, available);
  std::memcpy(buffer, data_ + offset, n);
  return static_cast<int64_t>(n);
}

bool VectorSink::write(const void* data, size_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + count);
  return true;
}

bool VectorSink::writeAt(int64_t offset, const void* data, size_t count) {
  if (offset < 0 || static_cast<uint64_t>(offset) > bytes_.size() ||
      count > bytes_.size() - static_cast<size_t>(offset)) {
    return false;
  }
  std::memcpy(bytes_.data() + offset, data, count);
  return true;
}

ByteCursor::ByteCursor(ByteSource& source, int64_t position) : ByteCursor(source, position, source.size()) {}

ByteCursor::ByteCursor(ByteSource& source, int64_t position, int64_t limit)
    : source_(source), position_(position), limit_(std::min(limit, source.size())) {
  if (position_ < 0) error_ = Error::kTruncated;
}

Error ByteCursor::fail(Error error) {
  if (error_ == Error::kNone) error_ = error;
  return error_;
}

Error ByteCursor::readBytes(void* buffer, size_t count) {
  if (error_ != Error::kNone) return error_;
  if (static_cast<uint64_t>(remaining()) < count) return fail(Error::kTruncated);
  uint8_t* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    int64_t n = source_.readAt(position_ + static_cast<int64_t>(done), out + done, count - done);
    if (n < 0) return fail(Error::kReadFailed);
    // A source that ends early despite its size is as good as truncated data.
    if (n == 0) return fail(Error::kTruncated);
    done += static_cast<size_t>(n);
  }
  position_ += static_cast<int64_t>(count);
  return Error::kNone;
}

Error ByteCursor::skip(int64_t count) {
  if (error_ != Error::kNone) return error_;
  if (count < 0 || count > remaining()) return fail(Error::kTruncated);
  position_ += count;
  return Error::kNone;
}

Error ByteCursor::seek(int64_t position) {
  if (error_ != Error::kNone) return error_;
  if (position < 0 || position > limit_) return fail(Error::kTruncated);
  position_ = position;
  return Error::kNone;
}

Error ByteCursor::readU16(uint16_t& value) {
  uint8_t b[2];
  if (Error e = readBytes(b, sizeof b); e != Error::kNone) return e;
  value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return Error::kNone;
}

Error ByteCursor::readU32(uint32_t& value) {
  uint8_t b[4];
  if (Error e = readBytes(b, sizeof b); e != Error::kNone) return e;
  value = loadU32(b);
  return Error::kNone;
}

Error ByteCursor::readI32(int32_t& value) {
  uint32_t raw = 0;
  if (Error e = readU32(raw); e != Error::kNone) return e;
  value = static_cast<int32_t>(raw);
  return Error::kNone;
}

Error ByteCursor::readI64(int64_t& value) {
  uint8_t b[8];
  if (Error e = readBytes(b, sizeof b); e != Error::kNone) return e;
  value = static_cast<int64_t>(loadU64(b));
  return Error::kNone;
}

uint32_t loadU32(const uint8_t* b) {
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

uint64_t loadU64(const uint8_t* b) { return uint64_t{loadU32(b)} | (uint64_t{loadU32(b + 4)} << 32); }

void appendU16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void appendU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void appendI64(std::string& out, int64_t value) {
  uint64_t raw = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((raw >> (8 * i)) & 0xFF));
}

}  // namespace drx::payload
