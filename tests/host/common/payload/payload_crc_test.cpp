// CRC-32 of the checksum region: the standard check value and chunking across read sizes.
#include <gtest/gtest.h>

#include <vector>

#include "common/payload/payload_crc.h"
#include "tests/host/common/payload/golden_payload.h"

using namespace drx::payload;

TEST(PayloadCrc, StandardCheckValue) {
  EXPECT_EQ(crc32Update(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32Update(crc32Update(0, "1234", 4), "56789", 5), 0xCBF43926u);
  EXPECT_EQ(crc32Update(0, "", 0), 0u);
}

TEST(PayloadCrc, RegionCrcMatchesBitwiseReferenceAcrossChunkBoundaries) {
  std::vector<uint8_t> data(3 * kCrcChunkSize + 123);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
  MemorySource source(data.data(), data.size());
  const int64_t lengths[] = {0,
                             1,
                             int64_t(kCrcChunkSize) - 1,
                             int64_t(kCrcChunkSize),
                             int64_t(kCrcChunkSize) + 1,
                             int64_t(data.size()) - 5};
  for (int64_t length : lengths) {
    uint32_t crc = 1;
    int64_t done = -1;
    ASSERT_EQ(crcOfRegion(source, 5, length, crc, &done), Error::kNone) << length;
    EXPECT_EQ(crc, drx::testing::bitwiseCrc32(data.data() + 5, static_cast<size_t>(length))) << length;
    EXPECT_EQ(done, length);
  }
  uint32_t crc = 0;
  EXPECT_EQ(crcOfRegion(source, 0, -1, crc), Error::kNegativeLength);
}

TEST(PayloadCrc, ProgressReportsEachChunk) {
  std::vector<uint8_t> data(2 * kCrcChunkSize + 10);
  MemorySource source(data.data(), data.size());
  std::vector<int64_t> seen;
  auto record = [](void* context, int64_t done, int64_t total) {
    EXPECT_EQ(total, int64_t(2 * kCrcChunkSize + 10));
    static_cast<std::vector<int64_t>*>(context)->push_back(done);
  };
  uint32_t crc = 0;
  ASSERT_EQ(crcOfRegion(source, 0, static_cast<int64_t>(data.size()), crc, nullptr, record, &seen),
            Error::kNone);
  EXPECT_EQ(seen,
            (std::vector<int64_t>{int64_t(kCrcChunkSize), int64_t(2 * kCrcChunkSize), int64_t(data.size())}));
}
