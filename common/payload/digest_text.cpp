// Parsing and formatting of SHA-256 digests as hexadecimal text.
#include "common/payload/digest_text.h"

namespace drx::payload {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool parseSha256Text(const char* text, uint8_t (&digest)[kSha256Bytes]) {
  if (text == nullptr) return false;
  for (size_t i = 0; i < kSha256Bytes; ++i) {
    // A short text ends in its terminator, which is no digit, before anything is read past it.
    const int high = hexValue(text[2 * i]);
    if (high < 0) return false;
    const int low = hexValue(text[2 * i + 1]);
    if (low < 0) return false;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return text[kSha256TextLength] == '\0';
}

void formatSha256Text(const uint8_t (&digest)[kSha256Bytes], char (&text)[kSha256TextLength + 1]) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < kSha256Bytes; ++i) {
    text[2 * i] = kDigits[digest[i] >> 4];
    text[2 * i + 1] = kDigits[digest[i] & 0x0F];
  }
  text[kSha256TextLength] = '\0';
}

}  // namespace drx::payload
