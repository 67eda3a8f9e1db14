// Byte source and sink interfaces the payload code reads from and writes to, plus a bounded cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/payload/payload_format.h"

namespace drx::payload {

// Random-access input. The launcher wraps its media file handle in one, tests wrap memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Total number of bytes; the reader never asks for anything at or beyond it.
  virtual int64_t size() const = 0;
  // Reads up to `count` bytes at `offset` into `buffer`; returns the number read (short only at
  // the end of the data) or -1 on an I/O failure.
  virtual int64_t readAt(int64_t offset, void* buffer, size_t count) = 0;
};

// Sequential output with back-patching of a few header bytes (the CRC and region length).
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends all `count` bytes; false on failure.
  virtual bool write(const void* data, size_t count) = 0;
  // Overwrites `count` bytes at absolute `offset`, which lies before the current end; false on failure.
  virtual bool writeAt(int64_t offset, const void* data, size_t count) = 0;
};

// A ByteSource over caller-owned memory (which must outlive it).
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  int64_t size() const override { return static_cast<int64_t>(size_); }
  int64_t readAt(int64_t offset, void* buffer, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A ByteSink that collects everything in a vector.
class VectorSink : public ByteSink {
 public:
  bool write(const void* data, size_t count) override;
  bool writeAt(int64_t offset, const void* data, size_t count) override;
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Sequential little-endian reads from a source, starting at a position and never touching bytes at
// or beyond `limit` (the source size unless a smaller limit is given). The first failure sticks:
// later reads return the same error, so a caller may read several fields and check once.
class ByteCursor {
 public:
  ByteCursor(ByteSource& source, int64_t position);
  ByteCursor(ByteSource& source, int64_t position, int64_t limit);

  Error readU16(uint16_t& value);
  Error readI32(int32_t& value);
  Error readU32(uint32_t& value);
  Error readI64(int64_t& value);
  // Exactly `count` bytes or kTruncated (nothing is read when fewer remain).
  Error readBytes(void* buffer, size_t count);
  // Moves forward `count` bytes without reading them; kTruncated if that passes the limit.
  Error skip(int64_t count);
  Error seek(int64_t position);

  int64_t position() const { return position_; }
  int64_t remaining() const { return position_ < limit_ ? limit_ - position_ : 0; }
  Error error() const { return error_; }
  ByteSource& source() { return source_; }

 private:
  Error fail(Error error);

  ByteSource& source_;
  int64_t position_;
  int64_t limit_;
  Error error_ = Error::kNone;
};

// Little-endian encoders for writers and test fixtures.
void appendU16(std::string& out, uint16_t value);
void appendU32(std::string& out, uint32_t value);
void appendI64(std::string& out, int64_t value);
uint32_t loadU32(const uint8_t* bytes);
uint64_t loadU64(const uint8_t* bytes);

}  // namespace drx::payload
