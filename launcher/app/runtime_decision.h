// Settling on a Java runtime during the work sequence: included, installed, downloaded or picked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// Decides between an included and an installed runtime, runs the download flow when there is
// neither, and prepares the chosen one; an included archive (StartupState::runtimeIncluded, not
// a restart) is left for extractIncludedRuntime. ready is false when no runtime is ready and the work ends
// here (the dialog stays for the user). Quiet mode without a runtime is kNoRuntime (exit code 83);
// a damaged or unusable runtime is the failure of the step concerned.
RunFailure decideAndPrepareRuntime(HWND dialog, bool& ready);

}  // namespace drx::launcher
