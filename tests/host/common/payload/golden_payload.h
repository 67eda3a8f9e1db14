// A small payload laid out byte by byte from the format's layout table, shared by the payload tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace drx::testing {

// Bytes of the stand-in stub in front of the payload; the payload starts at kGoldenStart.
constexpr int64_t kGoldenStart = 7;
// Checksum region: P+20 up to the end, 67 bytes (counted by hand below).
constexpr int64_t kGoldenRegionLength = 67;
constexpr int64_t kGoldenIncludedFiles = kGoldenStart + 20 + 4 + 12 + 9 + 13 + 4 + 12;  // F
constexpr int64_t kGoldenUnextracted = kGoldenIncludedFiles + 8 + 3;                    // U

// The whole thing: 7 stub bytes, header with the CRC filled in from an independent bitwise CRC.
std::vector<uint8_t> goldenMedia();
// Reference CRC-32 computed bit by bit (reflected polynomial 0xEDB88320), independent of zlib.
uint32_t bitwiseCrc32(const uint8_t* data, size_t size);

}  // namespace drx::testing
