// The runtime archive carried in the media file (or downloaded): unpacking it into "jre".
#pragma once

#include <windows.h>

#include <cstdint>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

inline constexpr const char* kRuntimeArchiveName = "jre.tar.gz";
inline constexpr const char* kRuntimeDirectoryName = "jre";

// Unpacks the gzip-compressed tar archive into targetDirectory, moving the dialog's bar through
// 100..200 by the uncompressed offset against total. The current directory is the same
// afterwards. kRuntimeCorrupted when the archive cannot be unpacked; a file that cannot be created
// is a failure with the text "Could not open file <name>".
RunFailure untarRuntime(const char* archive, const char* targetDirectory, HWND dialog, int64_t total);

}  // namespace drx::launcher
