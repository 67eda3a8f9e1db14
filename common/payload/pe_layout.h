// Locating the payload in a media file from the PE headers of the launcher image.
#pragma once

#include <cstdint>

#include "common/payload/byte_source.h"

namespace drx::payload {

// What the launcher learns on its way to the payload start, kept for its log lines
// ("number of sections: %d", "size of optional headers: %d", "resSectionTableStart: %d",
// "rawDataSize: %d, rawDataOffset: %d").
struct PeLayout {
  int32_t peHeaderOffset = 0;           // H: the int32 at offset 60
  uint16_t sectionCount = 0;            // N: u16 at H+6
  uint16_t optionalHeaderSize = 0;      // O: u16 at H+20
  int64_t lastSectionHeaderOffset = 0;  // H+24+O+40*(N-1): start of the last section header
  uint32_t rawDataSize = 0;             // S: u32 at the last header +16
  uint32_t rawDataOffset = 0;           // R: u32 at the last header +20
  int64_t payloadStart = 0;             // P = R + S
};

// The end of the raw data of the last section header: where the payload starts. Reads only the
// fields above, every read bounds-checked against the source. Errors: kReadFailed, kTruncated
// (a header field lies outside the source), kNotPe (negative H or no sections), kTooLarge
// (P at or beyond 2 GiB). P may equal or exceed the source size; reading the header then
// reports kTruncated.
Error findPayloadStart(ByteSource& source, PeLayout& layout);

// The builder's stricter check of a launcher stub: "MZ" at 0 and "PE\0\0" at H, at least one
// section, the last section header ending last of all sections (the launcher relies on it), and
// nothing behind P. Errors: kNotPe, kPeSectionOrder, kPeTrailingData, kTruncated, kTooLarge,
// kReadFailed. On success `layout` is filled as by findPayloadStart and P equals the source size.
Error checkLauncherStub(ByteSource& source, PeLayout& layout);

}  // namespace drx::payload
