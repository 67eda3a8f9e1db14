// The launcher's reading of its payload: the integrity check and the extraction of the included files.
#pragma once

#include <windows.h>

#include <cstdint>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// No failure when the payload is intact or checking is off (enabled false, or a payload without
// the verify flag); kCorruptedInstaller when the sum differs, or the failure of the read that came
// up short. With a dialog, its progress bar (control 1001) follows the check.
RunFailure verifyIntegrity(HWND dialog, bool enabled);

// Writes the included files into the temporary directory. After kExtractionCorrupted (unreadable
// or unsafe payload, or a Cancel) and kExtractionDiskFull the directory has been emptied and
// removed; after a short record read or an included file that cannot be created it stays.
RunFailure extractIncludedFiles(HWND dialog);

// Offset behind the last extracted file; 0 until a successful extraction opened the media file.
int64_t unextractedPosition();

}  // namespace drx::launcher
