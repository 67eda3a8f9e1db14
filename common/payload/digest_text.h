// The text form of a SHA-256 digest in a launcher property: 64 hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drx::payload {

inline constexpr size_t kSha256Bytes = 32;
inline constexpr size_t kSha256TextLength = 2 * kSha256Bytes;

// Exactly 64 hexadecimal digits, either case, nothing before or after; false otherwise.
bool parseSha256Text(const char* text, uint8_t (&digest)[kSha256Bytes]);

// Lower-case digits and a terminating zero.
void formatSha256Text(const uint8_t (&digest)[kSha256Bytes], char (&text)[kSha256TextLength + 1]);

}  // namespace drx::payload
