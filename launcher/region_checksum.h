// CRC-32 of the payload's checksum region, read in large chunks from the media file.
#pragma once

#include <windows.h>

#include <cstdint>

#include "launcher/media_file.h"

namespace drx::launcher {

// Called after each chunk with the bytes done so far.
using RegionProgress = void (*)(void* context, int64_t done, int64_t total);

// CRC-32 of length bytes from the media file's current position, into crc. A failed read, or a
// read of 0 bytes before length bytes were summed, logs "check ReadFile failed" and gives
// internal error 34.
RunFailure checksumOfRegion(MediaFile& media, int64_t length, RegionProgress progress, void* context,
                            uint32_t& crc);

}  // namespace drx::launcher
