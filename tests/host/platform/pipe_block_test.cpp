// Tests of the pipe block framing over memory channels that split, stall and fail.
#include "platform/portable/pipe_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace drx::platform {
namespace {

// A byte stream in memory that moves at most `chunk` bytes per call and can fail after
// a given number of bytes, or report success without moving anything.
class MemoryChannel : public ByteChannel {
 public:
  std::vector<uint8_t> input;
  std::vector<uint8_t> output;
  size_t readPosition = 0;
  uint32_t chunk = 1u << 30;
  size_t failAfter = SIZE_MAX;  // bytes moved before every further call fails
  bool stallAtEnd = false;      // at the end of input: success with 0 bytes instead of failure
  int calls = 0;

  bool readSome(uint8_t* into, uint32_t count, uint32_t& got) override {
    ++calls;
    got = 0;
    if (readPosition >= failAfter) return false;
    const size_t left = std::min(input.size(), failAfter) - readPosition;
    if (left == 0) return stallAtEnd;
    got = static_cast<uint32_t>(std::min<size_t>({count, chunk, left}));
    std::memcpy(into, input.data() + readPosition, got);
    readPosition += got;
    return true;
  }

  bool writeSome(const uint8_t* from, uint32_t count, uint32_t& put) override {
    ++calls;
    put = 0;
    if (output.size() >= failAfter) return false;
    put = static_cast<uint32_t>(std::min<size_t>({count, chunk, failAfter - output.size()}));
    output.insert(output.end(), from, from + put);
    return true;
  }
};

class VectorSink : public BlockSink {
 public:
  std::vector<uint8_t> data;
  bool allocated = false;
  int finished = 0;
  bool complete = false;
  bool refuse = false;

  uint8_t* allocate(int32_t length) override {
    allocated = true;
    if (refuse) return nullptr;
    data.assign(static_cast<size_t>(length) + 1, 0);  // +1: a valid pointer for length 0
    data.resize(static_cast<size_t>(length));
    return data.data();
  }
  void finish(bool c) override {
    ++finished;
    complete = c;
  }
};

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + 7) ^ (i >> 8));
  return bytes;
}

TEST(BlockLength, IsSignedLittleEndian) {
  struct Case {
    int32_t length;
    uint8_t bytes[4];
  } cases[] = {
      {0, {0, 0, 0, 0}},
      {1, {1, 0, 0, 0}},
      {70000, {0x70, 0x11, 0x01, 0x00}},
      {65536, {0x00, 0x00, 0x01, 0x00}},
      {-1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {INT32_MIN, {0x00, 0x00, 0x00, 0x80}},
  };
  for (const Case& c : cases) {
    uint8_t encoded[4];
    encodeBlockLength(c.length, encoded);
    EXPECT_EQ(std::memcmp(encoded, c.bytes, 4), 0) << c.length;
    EXPECT_EQ(decodeBlockLength(c.bytes), c.length);
  }
}

TEST(Blocks, RoundTripWholeThroughAnySplitting) {
  for (size_t size : {0u, 1u, 65535u, 65536u, 70000u}) {
    for (uint32_t chunk : {1u, 3u, 4096u, 65536u, 1u << 30}) {
      if (chunk == 1 && size > 70000) continue;
      MemoryChannel channel;
      channel.chunk = chunk;
      const std::vector<uint8_t> sent = pattern(size);
      ASSERT_EQ(writeBlock(channel, sent.data(), static_cast<int32_t>(size)), WriteBlockStatus::kOk);
      ASSERT_EQ(channel.output.size(), size + 4);
      channel.input = channel.output;
      VectorSink sink;
      int32_t length = -7;
      ASSERT_EQ(readBlock(channel, sink, length), ReadBlockStatus::kOk) << size << "/" << chunk;
      EXPECT_EQ(length, static_cast<int32_t>(size));
      EXPECT_EQ(sink.data, sent);
      EXPECT_EQ(sink.finished, 1);
      EXPECT_TRUE(sink.complete);
    }
  }
}

TEST(Blocks, EmptyBlockIsFourZeroBytes) {
  MemoryChannel channel;
  ASSERT_EQ(writeBlock(channel, nullptr, 0), WriteBlockStatus::kOk);
  EXPECT_EQ(channel.output, (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Blocks, ConsecutiveBlocksStayInStep) {
  MemoryChannel channel;
  channel.input = {2, 0, 0, 0, 'h', 'i', 0, 0, 0, 0, 1, 0, 0, 0, 'x'};
  channel.chunk = 5;
  const std::vector<std::vector<uint8_t>> expected = {{'h', 'i'}, {}, {'x'}};
  for (const auto& block : expected) {
    VectorSink sink;
    int32_t length = 0;
    ASSERT_EQ(readBlock(channel, sink, length), ReadBlockStatus::kOk);
    EXPECT_EQ(sink.data, block);
  }
}

TEST(Blocks, ReadFailuresAreNamedByWhereTheyHappen) {
  struct Case {
    const char* name;
    std::vector<uint8_t> input;
    size_t failAfter;
    bool stallAtEnd;
    bool refuse;
    ReadBlockStatus expected;
    bool allocates;
  } cases[] = {
      {"nothing arrives", {}, SIZE_MAX, false, false, ReadBlockStatus::kNoLength, false},
      {"prefix cut short", {5, 0}, SIZE_MAX, false, false, ReadBlockStatus::kNoLength, false},
      {"quiet channel inside the prefix", {5, 0}, SIZE_MAX, true, false, ReadBlockStatus::kNoLength, false},
      {"negative length",
       {0xFF, 0xFF, 0xFF, 0xFF, 1, 2},
       SIZE_MAX,
       false,
       false,
       ReadBlockStatus::kBadLength,
       false},
      {"sink cannot hold it", {3, 0, 0, 0, 1, 2, 3}, SIZE_MAX, false, true, ReadBlockStatus::kNoMemory, true},
      {"peer gone inside the block",
       {10, 0, 0, 0, 1, 2, 3},
       SIZE_MAX,
       false,
       false,
       ReadBlockStatus::kTruncated,
       true},
      {"channel fails inside the block",
       {3, 0, 0, 0, 1, 2, 3},
       5,
       false,
       false,
       ReadBlockStatus::kTruncated,
       true},
      {"quiet channel inside the block",
       {10, 0, 0, 0, 1},
       SIZE_MAX,
       true,
       false,
       ReadBlockStatus::kTruncated,
       true},
  };
  for (const Case& c : cases) {
    MemoryChannel channel;
    channel.input = c.input;
    channel.failAfter = c.failAfter;
    channel.stallAtEnd = c.stallAtEnd;
    VectorSink sink;
    sink.refuse = c.refuse;
    int32_t length = 0;
    EXPECT_EQ(readBlock(channel, sink, length), c.expected) << c.name;
    EXPECT_EQ(sink.allocated, c.allocates) << c.name;
    // A sink that handed out storage is always told whether the block arrived.
    EXPECT_EQ(sink.finished, c.allocates && !c.refuse ? 1 : 0) << c.name;
    EXPECT_FALSE(sink.complete) << c.name;
    EXPECT_LT(channel.calls, 10) << c.name << ": a quiet channel must not be polled for ever";
  }
}

TEST(Blocks, NegativeLengthIsReportedWithItsValue) {
  MemoryChannel channel;
  channel.input = {0x00, 0x00, 0x00, 0x80};
  VectorSink sink;
  int32_t length = 0;
  EXPECT_EQ(readBlock(channel, sink, length), ReadBlockStatus::kBadLength);
  EXPECT_EQ(length, INT32_MIN);
}

TEST(Blocks, WriteFailuresAreNamedByWhereTheyHappen) {
  const std::vector<uint8_t> data = pattern(100);
  struct Case {
    size_t failAfter;
    WriteBlockStatus expected;
  } cases[] = {{0, WriteBlockStatus::kNoLength},
               {3, WriteBlockStatus::kNoLength},
               {4, WriteBlockStatus::kTruncated},
               {50, WriteBlockStatus::kTruncated},
               {104, WriteBlockStatus::kOk}};
  for (const Case& c : cases) {
    MemoryChannel channel;
    channel.failAfter = c.failAfter;
    channel.chunk = 7;
    EXPECT_EQ(writeBlock(channel, data.data(), 100), c.expected) << c.failAfter;
  }
}

}  // namespace
}  // namespace drx::platform
