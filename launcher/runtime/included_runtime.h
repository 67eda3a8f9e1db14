// The runtime archive carried in the media file (or downloaded): unpacking it into "jre".
#pragma once

#include <windows.h>

#include <cstdint>

namespace drx::launcher {

inline constexpr const char* kRuntimeArchiveName = "jre.tar.gz";
inline constexpr const char* kRuntimeDirectoryName = "jre";
// The fatal message for a runtime archive that cannot be used as it is.
inline constexpr const char* kCorruptedRuntime =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";

// Unpacks the gzip-compressed tar archive into targetDirectory, moving the dialog's bar through
// 100..200 by the uncompressed offset against total. The current directory is the same
// afterwards. A file that cannot be created stops the launcher with its name.
bool untarRuntime(const char* archive, const char* targetDirectory, HWND dialog, int64_t total);

}  // namespace drx::launcher
