// The launcher's reading of its payload: the integrity check and the extraction of the included files.
#pragma once

#include <windows.h>

#include <cstdint>

namespace drx::launcher {

// Results of extractIncludedFiles.
inline constexpr int kExtractOk = 0;
inline constexpr int kExtractReadFailed = 1;   // corrupted or unreadable payload: msgCorruptedInstaller
inline constexpr int kExtractWriteFailed = 2;  // the target could not be written: msgDiskFull

// Returns when the payload is intact or checking is off (enabled false, or a payload without
// the verify flag); otherwise shows msgCorruptedInstaller (in every mode) and exits with 1.
// With a dialog, its progress bar (control 1001) follows the check.
void verifyIntegrity(HWND dialog, bool enabled);

// Writes the included files into the temporary directory. On failure the directory has been
// emptied and removed.
int extractIncludedFiles(HWND dialog);

// Offset behind the last extracted file; 0 until a successful extraction opened the media file.
int64_t unextractedPosition();

}  // namespace drx::launcher
