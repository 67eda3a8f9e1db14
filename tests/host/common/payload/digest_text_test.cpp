// The hexadecimal text of the jreDownloadSha256 property: what the launcher accepts and how
// mkmedia writes it.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "common/payload/digest_text.h"

using namespace drx::payload;

namespace {

// SHA-256("abc"), FIPS 180-4 appendix B.1.
constexpr char kAbc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr uint8_t kAbcBytes[kSha256Bytes] = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                                             0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                                             0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};

}  // namespace

TEST(DigestText, AcceptsExactlySixtyFourHexDigits) {
  const std::string abc = kAbc;
  std::string upper = abc;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {abc, true},
      {upper, true},
      {abc.substr(0, 63), false},
      {abc + "0", false},
      {abc + " ", false},
      {" " + abc.substr(1), false},
      {abc.substr(0, 40) + "g" + abc.substr(41), false},
      {abc.substr(0, 62) + ":0", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t digest[kSha256Bytes] = {};
    EXPECT_EQ(parseSha256Text(c.text.c_str(), digest), c.accepted);
    if (c.accepted) EXPECT_EQ(std::memcmp(digest, kAbcBytes, kSha256Bytes), 0);
  }
  uint8_t digest[kSha256Bytes];
  EXPECT_FALSE(parseSha256Text(nullptr, digest));
}

TEST(DigestText, FormatsLowerCaseAndRoundTrips) {
  char text[kSha256TextLength + 1];
  formatSha256Text(kAbcBytes, text);
  EXPECT_STREQ(text, kAbc);
}
