// Payload start from the PE section headers, and the builder's stub checks.
#include <gtest/gtest.h>

#include "common/payload/pe_layout.h"
#include "tests/host/common/payload/pe_fixture.h"

using namespace drx::payload;
using drx::testing::FixtureSection;
using drx::testing::makePeImage;

TEST(PeLayout, PayloadStartsAtTheEndOfTheLastSectionHeadersRawData) {
  struct Case {
    std::vector<FixtureSection> sections;
    uint16_t optionalHeaderSize;
    int64_t expected;
  };
  const Case cases[] = {
      {{{0x400, 0x600}, {0xA00, 0x100}, {0xB00, 0x100}}, 0xF0, 0xC00},
      {{{0x200, 0x200}}, 0xE0, 0x400},
      {{{0x400, 0x200}, {0x600, 0x1234}}, 0x60, 0x1834},
  };
  for (const Case& c : cases) {
    std::string image = makePeImage(c.sections, c.optionalHeaderSize);
    MemorySource source(image.data(), image.size());
    PeLayout layout;
    ASSERT_EQ(findPayloadStart(source, layout), Error::kNone);
    EXPECT_EQ(layout.peHeaderOffset, 0x80);
    EXPECT_EQ(layout.sectionCount, c.sections.size());
    EXPECT_EQ(layout.optionalHeaderSize, c.optionalHeaderSize);
    EXPECT_EQ(layout.lastSectionHeaderOffset,
              0x80 + 24 + c.optionalHeaderSize + 40 * (int64_t(c.sections.size()) - 1));
    EXPECT_EQ(layout.payloadStart, c.expected);
    EXPECT_EQ(checkLauncherStub(source, layout), Error::kNone);
  }
}

TEST(PeLayout, StubChecksRefuseWhatTheLauncherCouldNotUse) {
  struct Case {
    const char* name;
    std::string image;
    Error findResult;
    Error checkResult;
  };
  std::string noMz = makePeImage({{0x200, 0x200}});
  noMz[0] = 'X';
  std::string noPe = makePeImage({{0x200, 0x200}});
  noPe[0x81] = 'X';
  std::string negativeH = makePeImage({{0x200, 0x200}});
  negativeH[63] = '\x80';
  const Case cases[] = {
      {"data behind the last section", makePeImage({{0x200, 0x200}}, 0xF0, 0x500), Error::kNone,
       Error::kPeTrailingData},
      {"last header does not end last", makePeImage({{0x400, 0x400}, {0x200, 0x200}}), Error::kNone,
       Error::kPeSectionOrder},
      {"file shorter than its sections", makePeImage({{0x200, 0x200}}, 0xF0, 0x300), Error::kNone,
       Error::kTruncated},
      {"no MZ", noMz, Error::kNone, Error::kNotPe},
      {"no PE signature", noPe, Error::kNone, Error::kNotPe},
      {"no sections", makePeImage({}), Error::kNotPe, Error::kNotPe},
      {"negative PE offset", negativeH, Error::kNotPe, Error::kNotPe},
      {"headers cut off", makePeImage({{0x200, 0x200}}, 0xF0, 0x100), Error::kTruncated, Error::kNotPe},
      {"tiny file", std::string("MZ"), Error::kTruncated, Error::kNotPe},
      {"empty file", std::string(), Error::kTruncated, Error::kNotPe},
      {"payload start at 2 GiB", makePeImage({{0x7FFFFF00, 0x100}}, 0xF0, 0x400), Error::kTooLarge,
       Error::kTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.image.data(), c.image.size());
    PeLayout layout;
    EXPECT_EQ(findPayloadStart(source, layout), c.findResult);
    EXPECT_EQ(checkLauncherStub(source, layout), c.checkResult);
  }
}
