// Fuzz target: reads blocks from arbitrary bytes split at arbitrary points until the
// framing reports a failure.
#include <cstring>
#include <vector>

#include "platform/portable/pipe_block.h"

namespace {

using namespace drx::platform;

class FuzzChannel : public ByteChannel {
 public:
  FuzzChannel(const uint8_t* data, size_t size, uint8_t chunkSeed)
      : data_(data), size_(size), seed_(chunkSeed) {}
  bool readSome(uint8_t* into, uint32_t count, uint32_t& got) override {
    got = 0;
    if (position_ == size_) return (seed_ & 1) != 0;  // sometimes a quiet channel, sometimes a failure
    size_t n = 1 + (seed_ = static_cast<uint8_t>(seed_ * 37 + 11)) % 97;
    if (n > count) n = count;
    if (n > size_ - position_) n = size_ - position_;
    std::memcpy(into, data_ + position_, n);
    position_ += n;
    got = static_cast<uint32_t>(n);
    return true;
  }
  bool writeSome(const uint8_t*, uint32_t, uint32_t&) override { return false; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  uint8_t seed_;
};

class CappedSink : public BlockSink {
 public:
  uint8_t* allocate(int32_t length) override {
    if (length > (1 << 17)) return nullptr;  // as a runtime out of memory would
    storage_.assign(static_cast<size_t>(length) + 1, 0);
    return storage_.data();
  }
  void finish(bool) override {}

 private:
  std::vector<uint8_t> storage_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FuzzChannel channel(data + 1, size - 1, data[0]);
  for (int blocks = 0; blocks < 1000; ++blocks) {
    CappedSink sink;
    int32_t length = 0;
    if (readBlock(channel, sink, length) != ReadBlockStatus::kOk) break;
  }
  return 0;
}
