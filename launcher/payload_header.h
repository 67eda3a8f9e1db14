// Reading the payload header at the payload start, with the reader failures of short reads.
#pragma once

#include <cstdint>

#include "common/payload/payload_reader.h"
#include "launcher/media_file.h"

namespace drx::launcher {

enum class HeaderResult { kRead, kBadMagic, kFailed };

// Which header fields the caller reads one by one after the magic: none, the checksum fields
// only behind a non-zero verify flag, or all of them.
enum class HeaderNeed { kMagic, kChecksumWhenFlagged, kAll };

// Reads magic, verify flag, checksum and region length at payloadStart. A short read of a field
// the caller needs gives kFailed, with the failure of the reader concerned in failure.
HeaderResult readPayloadHeader(MediaFile& media, int64_t payloadStart, HeaderNeed need,
                               payload::PayloadHeader& header, RunFailure& failure);

}  // namespace drx::launcher
