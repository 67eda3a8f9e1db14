// Framing of the data blocks two installer processes exchange: a 4-byte little-endian
// signed length followed by that many bytes, over any byte channel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drx::platform {

inline constexpr size_t kBlockPrefixBytes = 4;

void encodeBlockLength(int32_t length, uint8_t out[kBlockPrefixBytes]);
int32_t decodeBlockLength(const uint8_t in[kBlockPrefixBytes]);

// The stream under the framing: a pipe handle in the DLL, memory in the tests.
class ByteChannel {
 public:
  virtual ~ByteChannel() = default;
  // Moves up to count bytes; false when the underlying call failed.
  virtual bool readSome(uint8_t* into, uint32_t count, uint32_t& got) = 0;
  virtual bool writeSome(const uint8_t* from, uint32_t count, uint32_t& put) = 0;
};

// Loop until count bytes moved. A call that succeeds without moving anything counts as a
// failure: waiting on it again would spin for ever on a channel that went quiet.
bool readFully(ByteChannel& channel, uint8_t* into, uint32_t count);
bool writeFully(ByteChannel& channel, const uint8_t* from, uint32_t count);

// Where a block being read lands: the DLL hands out a Java byte array's elements.
class BlockSink {
 public:
  virtual ~BlockSink() = default;
  // Storage for length bytes (length >= 0); null when it cannot be had.
  virtual uint8_t* allocate(int32_t length) = 0;
  // Called once after a successful allocate: complete says whether all bytes arrived.
  virtual void finish(bool complete) = 0;
};

enum class ReadBlockStatus {
  kOk,
  kNoLength,   // the length prefix could not be read
  kBadLength,  // the prefix is negative: the stream is out of step, nothing is allocated
  kNoMemory,   // the sink could not hold the block
  kTruncated,  // the channel failed inside the block
};

// Reads one block into the sink; length receives the prefix once it was read.
ReadBlockStatus readBlock(ByteChannel& channel, BlockSink& sink, int32_t& length);

enum class WriteBlockStatus { kOk, kNoLength, kTruncated };

WriteBlockStatus writeBlock(ByteChannel& channel, const uint8_t* data, int32_t length);

}  // namespace drx::platform
