// Reader tests: the hand-laid payload field for field, every truncation point, malformed records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/payload/payload_crc.h"
#include "common/payload/payload_reader.h"
#include "common/payload/property_ids.h"
#include "tests/host/common/payload/golden_payload.h"

using namespace drx::payload;
using drx::testing::goldenMedia;
using drx::testing::kGoldenIncludedFiles;
using drx::testing::kGoldenRegionLength;
using drx::testing::kGoldenStart;
using drx::testing::kGoldenUnextracted;

namespace {

// Records every property in order, duplicates included.
struct Recorder : PropertyVisitor {
  std::vector<std::pair<int32_t, std::string>> narrowRecords;
  std::vector<std::pair<int32_t, std::u16string>> wideRecords;
  void narrow(int32_t id, std::string_view v) override { narrowRecords.emplace_back(id, std::string(v)); }
  void wide(int32_t id, std::u16string_view v) override { wideRecords.emplace_back(id, std::u16string(v)); }
};

// A payload at offset 0 whose region is exactly `region` (header fields zero but the magic).
std::vector<uint8_t> payloadWithRegion(const std::string& region) {
  std::vector<uint8_t> bytes = {0xD5, 0x13, 0xE4, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  bytes.insert(bytes.end(), region.begin(), region.end());
  return bytes;
}

std::string le32(uint32_t v) {
  std::string s;
  appendU32(s, v);
  return s;
}

}  // namespace

TEST(PayloadReader, GoldenPayloadReadsFieldForField) {
  std::vector<uint8_t> media = goldenMedia();
  MemorySource source(media.data(), media.size());

  PayloadHeader header;
  ASSERT_EQ(readHeader(source, kGoldenStart, header), Error::kNone);
  EXPECT_EQ(header.magic, 0xE8E413D5u);
  EXPECT_EQ(header.verifyFlag, 1);
  EXPECT_EQ(header.regionLength, kGoldenRegionLength);
  EXPECT_EQ(header.checksum, drx::testing::bitwiseCrc32(media.data() + kGoldenStart + 20, 67));

  Recorder records;
  int64_t f = -1;
  ASSERT_EQ(readPropertyTables(source, kGoldenStart, records, f), Error::kNone);
  EXPECT_EQ(f, kGoldenIncludedFiles);
  ASSERT_EQ(records.narrowRecords.size(), 3u);
  EXPECT_EQ(records.narrowRecords[0], std::make_pair(kMainClass, std::string("Main")));
  EXPECT_EQ(records.narrowRecords[1], std::make_pair(kIncludedFileCount, std::string("1")));
  EXPECT_EQ(records.narrowRecords[2], std::make_pair(kIncludedFileNames, std::string("a.txt")));
  ASSERT_EQ(records.wideRecords.size(), 1u);
  EXPECT_EQ(records.wideRecords[0], std::make_pair(kMsgWizardTitle, std::u16string(u"W\u00E9")));

  IncludedFileRecord file;
  ASSERT_EQ(readIncludedFileRecord(source, f, file), Error::kNone);
  EXPECT_EQ(file.storedSize, 3);
  EXPECT_EQ(file.contentOffset, f + 8);
  EXPECT_EQ(file.nextOffset, kGoldenUnextracted);
  std::vector<uint8_t> content(3);
  ByteCursor cursor(source, file.contentOffset);
  ASSERT_EQ(cursor.readBytes(content.data(), 3), Error::kNone);
  applyIncludedFileMask(content.data(), 3);
  EXPECT_EQ(std::string(content.begin(), content.end()), "abc");
  EXPECT_EQ(media.size() - kGoldenUnextracted, 2u);  // "RD" remains

  uint32_t crc = 0;
  ASSERT_EQ(crcOfRegion(source, kGoldenStart + kHeaderSize, header.regionLength, crc), Error::kNone);
  EXPECT_EQ(crc, header.checksum);
}

// Cutting the media anywhere must end in an error at the right stage, never in a read past the
// end (the copy is exactly `cut` bytes on the heap, so AddressSanitizer sees any overrun).
TEST(PayloadReader, EveryTruncationPointIsReportedAsTruncated) {
  const std::vector<uint8_t> media = goldenMedia();
  for (size_t cut = 0; cut < media.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    std::vector<uint8_t> part(media.begin(), media.begin() + cut);
    MemorySource source(part.data(), part.size());
    PayloadHeader header;
    Error e = readHeader(source, kGoldenStart, header);
    if (cut < static_cast<size_t>(kGoldenStart + kHeaderSize)) {
      EXPECT_EQ(e, Error::kTruncated);
      continue;
    }
    ASSERT_EQ(e, Error::kNone);
    Recorder records;
    int64_t f = 0;
    e = readPropertyTables(source, kGoldenStart, records, f);
    if (cut < static_cast<size_t>(kGoldenIncludedFiles)) {
      EXPECT_EQ(e, Error::kTruncated);
      continue;
    }
    ASSERT_EQ(e, Error::kNone);
    IncludedFileRecord file;
    e = readIncludedFileRecord(source, f, file);
    if (cut < static_cast<size_t>(kGoldenUnextracted)) {
      EXPECT_EQ(e, Error::kTruncated);
    } else {
      EXPECT_EQ(e, Error::kNone);
    }
    uint32_t crc = 0;
    int64_t done = 0;
    EXPECT_EQ(crcOfRegion(source, kGoldenStart + kHeaderSize, header.regionLength, crc, &done),
              Error::kTruncated);
    EXPECT_EQ(done, static_cast<int64_t>(cut) - (kGoldenStart + kHeaderSize));
  }
}

TEST(PayloadReader, MalformedTablesGiveDistinctErrors) {
  struct Case {
    const char* name;
    std::string region;
    Error expected;
    size_t narrowSeen;
  };
  const std::string oneNarrow = le32(1) + le32(122) + le32(2) + "ab";
  const Case cases[] = {
      {"negative narrow length", le32(1) + le32(122) + le32(0xFFFFFFFF), Error::kNegativeLength, 0},
      {"negative wide length", le32(0) + le32(1) + le32(20013) + le32(0x80000000), Error::kNegativeLength, 0},
      {"odd wide length", oneNarrow + le32(1) + le32(20013) + le32(3) + "abc", Error::kOddWideLength, 1},
      {"narrow text past the end", le32(1) + le32(122) + le32(5) + "abcd", Error::kTruncated, 0},
      {"huge narrow length", le32(1) + le32(122) + le32(0x7FFFFFFF) + "x", Error::kTruncated, 0},
      {"huge wide length", le32(0) + le32(1) + le32(1) + le32(0x7FFFFFFE), Error::kTruncated, 0},
      {"missing wide count", oneNarrow, Error::kTruncated, 1},
      {"count larger than records", le32(2) + le32(1) + le32(0), Error::kTruncated, 1},
      {"empty region", "", Error::kTruncated, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = payloadWithRegion(c.region);
    MemorySource source(bytes.data(), bytes.size());
    Recorder records;
    int64_t f = 0;
    EXPECT_EQ(readPropertyTables(source, 0, records, f), c.expected);
    EXPECT_EQ(records.narrowRecords.size(), c.narrowSeen);
  }
}

TEST(PayloadReader, NonPositiveCountsMeanNoRecordsAndLaterDuplicatesWin) {
  struct Case {
    std::string region;
    int64_t f;
  };
  const Case cases[] = {
      {le32(0) + le32(0), 28},
      {le32(0xFFFFFFFF) + le32(0x80000000), 28},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = payloadWithRegion(c.region);
    MemorySource source(bytes.data(), bytes.size());
    Recorder records;
    int64_t f = 0;
    EXPECT_EQ(readPropertyTables(source, 0, records, f), Error::kNone);
    EXPECT_EQ(f, c.f);
    EXPECT_TRUE(records.narrowRecords.empty());
  }

  std::string region = le32(3) + le32(122) + le32(3) + "One" + le32(123) + le32(1) + "x" + le32(122) +
                       le32(3) + "Two" + le32(2) + le32(20013) + le32(2) + "A" + '\0' + le32(20013) + le32(0);
  std::vector<uint8_t> bytes = payloadWithRegion(region);
  MemorySource source(bytes.data(), bytes.size());
  PropertyTables tables;
  int64_t f = 0;
  ASSERT_EQ(readPropertyTables(source, 0, tables, f), Error::kNone);
  ASSERT_NE(tables.findNarrow(kMainClass), nullptr);
  EXPECT_EQ(*tables.findNarrow(kMainClass), "Two");
  ASSERT_NE(tables.findWide(kMsgWizardTitle), nullptr);
  EXPECT_EQ(*tables.findWide(kMsgWizardTitle), u"");
  EXPECT_EQ(tables.findNarrow(kClassPath), nullptr);
  EXPECT_EQ(f, static_cast<int64_t>(bytes.size()));
}

TEST(PayloadReader, HeaderRejectsWrongMagic) {
  std::vector<uint8_t> media = goldenMedia();
  media[kGoldenStart + 3] = 0xE9;
  MemorySource source(media.data(), media.size());
  PayloadHeader header;
  EXPECT_EQ(readHeader(source, kGoldenStart, header), Error::kBadMagic);
  EXPECT_EQ(header.magic, 0xE9E413D5u);
}

TEST(PayloadReader, IncludedFileSizesZeroOrNegativeTakeNoContent) {
  struct Case {
    int64_t size;
    int64_t next;
    Error expected;
  };
  const Case cases[] = {
      {0, 8, Error::kNone},
      {-5, 8, Error::kNone},
      {4, 12, Error::kNone},
      {5, 0, Error::kTruncated},
      {INT64_MAX, 0, Error::kTruncated},
  };
  for (const Case& c : cases) {
    std::string bytes;
    appendI64(bytes, c.size);
    bytes += "wxyz";
    MemorySource source(bytes.data(), bytes.size());
    IncludedFileRecord record;
    EXPECT_EQ(readIncludedFileRecord(source, 0, record), c.expected) << c.size;
    if (c.expected == Error::kNone) {
      EXPECT_EQ(record.nextOffset, c.next) << c.size;
    }
  }
}

TEST(PayloadReader, IncludedFileNamesSplitLikeTheLauncher) {
  struct Case {
    const char* names;
    int32_t count;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a;b;c", 3, {"a", "b", "c"}},
      {";;a;;b;", 5, {"a", "b"}},
      {"a;b;c", 2, {"a", "b"}},
      {"a;b", 0, {}},
      {"a;b", -1, {}},
      {"", 2, {}},
      {"dir\\f.txt;jre.tar.gz", 2, {"dir\\f.txt", "jre.tar.gz"}},
  };
  for (const Case& c : cases) EXPECT_EQ(includedFileNames(c.names, c.count), c.expected) << c.names;
}

TEST(PayloadReader, IntegerPropertiesReadLikeAtoi) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {"", 0},
      {"abc", 0},
      {"42", 42},
      {"  17x", 17},
      {"-3", -3},
      {"+8", 8},
      {"2147483647", 2147483647},
      {"99999999999", 2147483647},
      {"-99999999999", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(parseIntProperty(c.text), c.expected) << c.text;
}
