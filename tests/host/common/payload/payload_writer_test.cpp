// Writer tests: reproduces the hand-laid payload byte for byte and refuses calls out of order.
#include <gtest/gtest.h>

#include "common/payload/payload_writer.h"
#include "common/payload/property_ids.h"
#include "tests/host/common/payload/golden_payload.h"

using namespace drx::payload;

TEST(PayloadWriter, ReproducesTheGoldenPayloadByteForByte) {
  const std::vector<uint8_t> golden = drx::testing::goldenMedia();
  VectorSink sink;
  sink.write("STUB\x00\x01\x02", 7);
  PayloadWriter writer(sink, drx::testing::kGoldenStart);
  ASSERT_EQ(writer.writeHeaderAndProperties(
                true, {{kMainClass, "Main"}, {kIncludedFileCount, "1"}, {kIncludedFileNames, "a.txt"}},
                {{kMsgWizardTitle, u"W\u00E9"}}),
            Error::kNone);
  EXPECT_EQ(writer.includedFilesOffset(), drx::testing::kGoldenIncludedFiles);
  ASSERT_EQ(writer.beginIncludedFile(3), Error::kNone);
  uint8_t scratch[2] = {'a', 'b'};
  ASSERT_EQ(writer.writeIncludedFileDataInPlace(scratch, 2), Error::kNone);
  EXPECT_EQ(scratch[0], 0x3F);  // masked where it lies
  ASSERT_EQ(writer.writeIncludedFileData("c", 1), Error::kNone);
  EXPECT_EQ(writer.unextractedOffset(), drx::testing::kGoldenUnextracted);
  ASSERT_EQ(writer.writeRemainingData("RD", 2), Error::kNone);
  ASSERT_EQ(writer.finish(), Error::kNone);
  EXPECT_EQ(writer.regionLength(), drx::testing::kGoldenRegionLength);
  EXPECT_EQ(sink.bytes(), golden);
}

TEST(PayloadWriter, RefusesIncompleteFilesAndCallsOutOfOrder) {
  VectorSink sink;
  PayloadWriter writer(sink, 0);
  EXPECT_EQ(writer.beginIncludedFile(1), Error::kBadState);
  ASSERT_EQ(writer.writeHeaderAndProperties(false, {}, {}), Error::kNone);
  EXPECT_EQ(writer.writeHeaderAndProperties(false, {}, {}), Error::kBadState);
  ASSERT_EQ(writer.beginIncludedFile(2), Error::kNone);
  EXPECT_EQ(writer.writeIncludedFileData("abc", 3), Error::kSizeMismatch);
  ASSERT_EQ(writer.writeIncludedFileData("a", 1), Error::kNone);
  EXPECT_EQ(writer.beginIncludedFile(1), Error::kBadState);
  EXPECT_EQ(writer.writeRemainingData("x", 1), Error::kSizeMismatch);
  EXPECT_EQ(writer.finish(), Error::kSizeMismatch);
  ASSERT_EQ(writer.writeIncludedFileData("b", 1), Error::kNone);
  ASSERT_EQ(writer.beginIncludedFile(-4), Error::kNone);  // takes no content
  EXPECT_EQ(writer.writeIncludedFileData("x", 1), Error::kSizeMismatch);
  ASSERT_EQ(writer.writeRemainingData("x", 1), Error::kNone);
  EXPECT_EQ(writer.beginIncludedFile(1), Error::kBadState);
  ASSERT_EQ(writer.finish(), Error::kNone);
  EXPECT_EQ(writer.finish(), Error::kBadState);
  // verify flag 0 still records a valid CRC and length for tools
  EXPECT_EQ(sink.bytes()[4], 0);
  EXPECT_EQ(writer.regionLength(), int64_t(sink.bytes().size()) - 20);
}
