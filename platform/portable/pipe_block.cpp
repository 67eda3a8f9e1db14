// Block framing of the named-pipe channel, kept free of Win32 so it is fuzzed on the host.
#include "platform/portable/pipe_block.h"

namespace drx::platform {

void encodeBlockLength(int32_t length, uint8_t out[kBlockPrefixBytes]) {
  const uint32_t v = static_cast<uint32_t>(length);
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
  out[2] = static_cast<uint8_t>(v >> 16);
  out[3] = static_cast<uint8_t>(v >> 24);
}

int32_t decodeBlockLength(const uint8_t in[kBlockPrefixBytes]) {
  const uint32_t v = static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
                     (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
  return static_cast<int32_t>(v);
}

bool readFully(ByteChannel& channel, uint8_t* into, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    uint32_t got = 0;
    if (!channel.readSome(into + done, count - done, got) || got == 0 || got > count - done) return false;
    done += got;
  }
  return true;
}

bool writeFully(ByteChannel& channel, const uint8_t* from, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    uint32_t put = 0;
    if (!channel.writeSome(from + done, count - done, put) || put == 0 || put > count - done) return false;
    done += put;
  }
  return true;
}

ReadBlockStatus readBlock(ByteChannel& channel, BlockSink& sink, int32_t& length) {
  uint8_t prefix[kBlockPrefixBytes];
  if (!readFully(channel, prefix, kBlockPrefixBytes)) return ReadBlockStatus::kNoLength;
  length = decodeBlockLength(prefix);
  if (length < 0) return ReadBlockStatus::kBadLength;
  uint8_t* storage = sink.allocate(length);
  if (storage == nullptr) return ReadBlockStatus::kNoMemory;
  const bool complete = readFully(channel, storage, static_cast<uint32_t>(length));
  sink.finish(complete);
  return complete ? ReadBlockStatus::kOk : ReadBlockStatus::kTruncated;
}

WriteBlockStatus writeBlock(ByteChannel& channel, const uint8_t* data, int32_t length) {
  uint8_t prefix[kBlockPrefixBytes];
  encodeBlockLength(length, prefix);
  if (!writeFully(channel, prefix, kBlockPrefixBytes)) return WriteBlockStatus::kNoLength;
  if (!writeFully(channel, data, static_cast<uint32_t>(length))) return WriteBlockStatus::kTruncated;
  return WriteBlockStatus::kOk;
}

}  // namespace drx::platform
