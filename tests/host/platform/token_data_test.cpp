// Decoding of TOKEN_GROUPS / TOKEN_USER blocks and SID bounds, in both pointer widths.
#include "platform/portable/security_rules.h"

#include <gtest/gtest.h>

namespace drx::platform {
namespace {

// Where the block pretends to live; a 32-bit block needs an address that fits 32 bits.
uint64_t baseFor(unsigned width) { return width == 4 ? 0x00120000ull : 0x7f0000120000ull; }

void put(std::vector<uint8_t>& block, size_t offset, uint64_t value, unsigned width) {
  if (block.size() < offset + width) block.resize(offset + width);
  for (unsigned i = 0; i < width; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// S-1-<authority>-<subs...> as bytes.
std::vector<uint8_t> sid(uint8_t authority, std::initializer_list<uint32_t> subs) {
  std::vector<uint8_t> bytes = {1, static_cast<uint8_t>(subs.size()), 0, 0, 0, 0, 0, authority};
  for (uint32_t s : subs) put(bytes, bytes.size(), s, 4);
  return bytes;
}

// A block laid out as GetTokenInformation lays it out: header, records, then the SIDs.
std::vector<uint8_t> groupsBlock(unsigned pointerSize,
                                 const std::vector<std::pair<std::vector<uint8_t>, uint32_t>>& groups) {
  std::vector<uint8_t> block;
  put(block, 0, groups.size(), 4);
  size_t sidAt = pointerSize + groups.size() * 2 * pointerSize;
  block.resize(sidAt);
  for (size_t i = 0; i < groups.size(); ++i) {
    const size_t record = pointerSize + i * 2 * pointerSize;
    put(block, record, baseFor(pointerSize) + block.size(), pointerSize);
    put(block, record + pointerSize, groups[i].second, 4);
    block.insert(block.end(), groups[i].first.begin(), groups[i].first.end());
  }
  return block;
}

TEST(TokenGroups, DecodesBothWidths) {
  const auto everyone = sid(1, {0});
  const auto admins = sid(5, {32, 544});
  for (unsigned width : {4u, 8u}) {
    const auto block = groupsBlock(width, {{everyone, 7}, {admins, 0x10}});
    std::vector<TokenSidEntry> groups;
    ASSERT_TRUE(decodeTokenGroups(block.data(), block.size(), baseFor(width), width, groups)) << width;
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].sidLength, 12u);
    EXPECT_EQ(groups[0].attributes, 7u);
    EXPECT_EQ(groups[1].sidLength, 16u);
    EXPECT_EQ(groups[1].attributes, 0x10u);
    EXPECT_EQ(
        std::vector<uint8_t>(block.begin() + groups[1].sidOffset, block.begin() + groups[1].sidOffset + 16),
        admins);
  }
}

TEST(TokenGroups, RejectsBlocksThatPointOutsideThemselves) {
  const auto admins = sid(5, {32, 544});
  for (unsigned width : {4u, 8u}) {
    std::vector<TokenSidEntry> groups;
    auto block = groupsBlock(width, {{admins, 4}});
    // Count larger than the records present.
    auto tooMany = block;
    put(tooMany, 0, 1000, 4);
    EXPECT_FALSE(decodeTokenGroups(tooMany.data(), tooMany.size(), baseFor(width), width, groups));
    // SID pointer before the block and past its end.
    auto before = block;
    put(before, width, baseFor(width) - 4, width);
    EXPECT_FALSE(decodeTokenGroups(before.data(), before.size(), baseFor(width), width, groups));
    auto after = block;
    put(after, width, baseFor(width) + block.size(), width);
    EXPECT_FALSE(decodeTokenGroups(after.data(), after.size(), baseFor(width), width, groups));
    // The SID's last sub-authority cut off.
    auto cut = block;
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(decodeTokenGroups(cut.data(), cut.size(), baseFor(width), width, groups));
    EXPECT_TRUE(groups.empty());
    // Empty groups are a valid answer; a block shorter than its count is not.
    const auto none = groupsBlock(width, {});
    EXPECT_TRUE(decodeTokenGroups(none.data(), none.size(), baseFor(width), width, groups));
    EXPECT_FALSE(decodeTokenGroups(block.data(), 3, baseFor(width), width, groups));
  }
}

TEST(TokenUser, DecodesTheSingleRecord) {
  const auto user = sid(5, {21, 0, 0, 0, 1000});
  for (unsigned width : {4u, 8u}) {
    std::vector<uint8_t> block;
    put(block, 0, baseFor(width) + 2 * width, width);
    put(block, width, 0, 4);
    block.resize(2 * width);
    block.insert(block.end(), user.begin(), user.end());
    TokenSidEntry entry;
    ASSERT_TRUE(decodeTokenUser(block.data(), block.size(), baseFor(width), width, entry));
    EXPECT_EQ(entry.sidOffset, 2 * width);
    EXPECT_EQ(entry.sidLength, 28u);
    EXPECT_FALSE(decodeTokenUser(block.data(), block.size(), baseFor(width), 6, entry));
    EXPECT_FALSE(decodeTokenUser(block.data(), 2 * width + 8, baseFor(width), width, entry));
  }
}

TEST(Sids, ByteLengthChecksRevisionCountAndSize) {
  struct Row {
    std::vector<uint8_t> bytes;
    size_t length;
  };
  const Row rows[] = {
      {sid(1, {0}), 12},
      {sid(5, {32, 544}), 16},
      {{1, 0, 0, 0, 0, 0, 0, 5}, 8},
      {{2, 1, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0}, 0},   // revision 2
      {{1, 16, 0, 0, 0, 0, 0, 5}, 0},              // too many sub-authorities
      {{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0}, 0},  // second sub-authority missing
      {{1, 0, 0}, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(sidByteLength(r.bytes.data(), r.bytes.size()), r.length);
  EXPECT_EQ(sidByteLength(nullptr, 100), 0u);
}

TEST(Membership, EnabledAndNotDenyOnly) {
  struct Row {
    uint32_t attributes;
    bool member;
  };
  const Row rows[] = {{0x4, true},  {0x7, true},   {0xF, true},  {0x0, false},
                      {0x3, false}, {0x14, false}, {0x10, false}};
  for (const Row& r : rows) EXPECT_EQ(groupGrantsMembership(r.attributes), r.member) << r.attributes;
}

}  // namespace
}  // namespace drx::platform
