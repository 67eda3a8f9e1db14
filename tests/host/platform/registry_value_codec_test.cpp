// Tests of registry value decoding and of the multi-string and text size rules.
#include "platform/portable/registry_value_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace drx::platform {
namespace {

// UTF-16LE bytes of ASCII text; '|' stands for a NUL unit.
std::vector<uint8_t> utf16(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) {
    bytes.push_back(c == '|' ? 0 : static_cast<uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<std::string> itemsOf(const std::vector<uint8_t>& data, size_t size) {
  std::vector<std::string> items;
  for (const UnitRun& run : multiStringItems(data.data(), size)) {
    std::string item;
    for (size_t i = 0; i < run.length; ++i) item += static_cast<char>(unitAt(data.data(), run.offset + i));
    items.push_back(item);
  }
  return items;
}

TEST(TextLength, EndsAtTheFirstNulOrAtTheDataSize) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    size_t expected;
  } cases[] = {
      {"terminated", utf16("abc|"), 3},
      {"no terminator ends at the size", utf16("abc"), 3},
      {"stops at the first NUL", utf16("ab|cd|"), 2},
      {"empty string", utf16("|"), 0},
      {"no data at all", {}, 0},
      {"odd last byte is not a character", {'a', 0, 'b', 0, 'c'}, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(textLength(c.data.data(), c.data.size()), c.expected) << c.name;
}

TEST(MultiStringItems, KeepsEmptyItemsAndDropsTheClosingNul) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    std::vector<std::string> expected;
  } cases[] = {
      {"a, empty, b", utf16("a||b||"), {"a", "", "b"}},
      {"two zero bytes are an empty list", utf16("|"), {}},
      {"no data", {}, {}},
      {"list without its closing NUL", utf16("one|two|"), {"one", "two"}},
      {"last item without any NUL", utf16("one|two"), {"one", "two"}},
      {"leading empty item", utf16("|x||"), {"", "x"}},
      {"odd trailing byte", {'a', 0, 0, 0, 'b'}, {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(itemsOf(c.data, c.data.size()), c.expected) << c.name;
}

TEST(MultiStringItems, NeverReadsPastTheSizeItIsGiven) {
  // The buffer holds more than the value: only the first size bytes are data.
  const std::vector<uint8_t> buffer = utf16("ab|cdefgh");
  EXPECT_EQ(itemsOf(buffer, 10), (std::vector<std::string>{"ab", "cd"}));
}

TEST(DwordValue, NeedsFourBytes) {
  const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0x99};
  EXPECT_EQ(dwordValue(bytes, 4), 0x12345678);
  EXPECT_EQ(dwordValue(bytes, 5), 0x12345678);
  EXPECT_FALSE(dwordValue(bytes, 3).has_value());
  EXPECT_FALSE(dwordValue(bytes, 0).has_value());
  const uint8_t minusOne[] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(dwordValue(minusOne, 4), -1);
}

TEST(RegistryTypeOfKind, MapsTheFiveKindCodes) {
  const std::pair<int32_t, uint32_t> cases[] = {{1, 1}, {5, 2}, {2, 4}, {3, 7},
                                                {4, 3}, {0, 0}, {6, 0}, {-1, 0}};
  for (auto [kind, type] : cases) EXPECT_EQ(registryTypeOfKind(kind), type) << "kind " << kind;
}

TEST(StoredTextLength, CutsAt49999Characters) {
  EXPECT_EQ(storedTextLength(0), 0u);
  EXPECT_EQ(storedTextLength(5), 5u);
  EXPECT_EQ(storedTextLength(49999), 49999u);
  EXPECT_EQ(storedTextLength(50000), 49999u);
  EXPECT_EQ(storedTextLength(60000), 49999u);
}

std::vector<uint16_t> units(const std::string& text) {
  return std::vector<uint16_t>(text.begin(), text.end());
}

TEST(MultiStringWriter, WritesItemsEachWithItsNulAndOneClosingNul) {
  std::vector<uint16_t> buffer(16, 0xAAAA);
  MultiStringWriter writer(buffer.data(), buffer.size());
  const auto ab = units("ab");
  const auto c = units("c");
  ASSERT_EQ(writer.append(ab.data(), ab.size()), MultiStringWriter::Result::kOk);
  ASSERT_EQ(writer.append(c.data(), c.size()), MultiStringWriter::Result::kOk);
  EXPECT_EQ(writer.finish(), 12u);
  EXPECT_EQ(std::vector<uint16_t>(buffer.begin(), buffer.begin() + 6),
            (std::vector<uint16_t>{'a', 'b', 0, 'c', 0, 0}));
}

TEST(MultiStringWriter, EmptyListIsOneNulOfTwoBytes) {
  uint16_t buffer[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
  MultiStringWriter writer(buffer, 4);
  EXPECT_EQ(writer.finish(), 2u);
  EXPECT_EQ(buffer[0], 0);
}

TEST(MultiStringWriter, RefusesAnEmptyItem) {
  std::vector<uint16_t> buffer(16);
  MultiStringWriter writer(buffer.data(), buffer.size());
  const auto a = units("a");
  ASSERT_EQ(writer.append(a.data(), a.size()), MultiStringWriter::Result::kOk);
  EXPECT_EQ(writer.append(nullptr, 0), MultiStringWriter::Result::kEmptyItem);
}

TEST(MultiStringWriter, LimitCountsTheItemItsNulAndTheClosingNul) {
  std::vector<uint16_t> buffer(kValueBufferUnits);
  {
    // 49,998 units + NUL + closing NUL fill the 50,000 units exactly.
    MultiStringWriter writer(buffer.data(), buffer.size());
    const std::vector<uint16_t> item(49998, 'x');
    ASSERT_EQ(writer.append(item.data(), item.size()), MultiStringWriter::Result::kOk);
    EXPECT_EQ(writer.finish(), kValueBufferBytes);
  }
  {
    MultiStringWriter writer(buffer.data(), buffer.size());
    const std::vector<uint16_t> item(49999, 'x');
    EXPECT_EQ(writer.append(item.data(), item.size()), MultiStringWriter::Result::kTooLong);
  }
  {
    // Second item pushes past the limit by one unit: 10+1 used, 49,988 + 2 more is 50,001.
    MultiStringWriter writer(buffer.data(), buffer.size());
    const std::vector<uint16_t> first(10, 'x');
    const std::vector<uint16_t> second(49988, 'y');
    ASSERT_EQ(writer.append(first.data(), first.size()), MultiStringWriter::Result::kOk);
    EXPECT_EQ(writer.append(second.data(), second.size()), MultiStringWriter::Result::kTooLong);
    const std::vector<uint16_t> fits(49987, 'y');
    EXPECT_EQ(writer.append(fits.data(), fits.size()), MultiStringWriter::Result::kOk);
    EXPECT_EQ(writer.finish(), kValueBufferBytes);
  }
}

TEST(MultiStringRoundTrip, WrittenListsReadBackItemForItem) {
  const std::vector<std::vector<std::string>> lists = {{}, {"one"}, {"a", "bc", "def"}, {"x", "y", "z", "w"}};
  for (const auto& list : lists) {
    std::vector<uint16_t> buffer(64);
    MultiStringWriter writer(buffer.data(), buffer.size());
    for (const std::string& item : list) {
      const auto u = units(item);
      ASSERT_EQ(writer.append(u.data(), u.size()), MultiStringWriter::Result::kOk);
    }
    const size_t size = writer.finish();
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size / 2; ++i) {
      bytes[2 * i] = static_cast<uint8_t>(buffer[i]);
      bytes[2 * i + 1] = static_cast<uint8_t>(buffer[i] >> 8);
    }
    EXPECT_EQ(itemsOf(bytes, size), list);
  }
}

}  // namespace
}  // namespace drx::platform
