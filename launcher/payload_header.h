// Reading the payload header at the payload start, with the launcher's fatal errors for short reads.
#pragma once

#include <cstdint>

#include "common/payload/payload_reader.h"
#include "launcher/media_file.h"

namespace drx::launcher {

enum class HeaderResult { kRead, kBadMagic };

// Which header fields the caller reads one by one after the magic: none, the checksum fields
// only behind a non-zero verify flag, or all of them.
enum class HeaderNeed { kMagic, kChecksumWhenFlagged, kAll };

// Reads magic, verify flag, checksum and region length at payloadStart. A short read of a field
// the caller needs stops the launcher with the fatal error of the reader concerned.
HeaderResult readPayloadHeader(MediaFile& media, int64_t payloadStart, HeaderNeed need,
                               payload::PayloadHeader& header);

}  // namespace drx::launcher
