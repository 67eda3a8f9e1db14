// Settling on a Java runtime during the work sequence: included, installed, downloaded or picked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drx::launcher {

// Decides between an included and an installed runtime, runs the download flow when there is
// neither, and prepares the chosen one. Returns false when no runtime is ready and the work ends
// here (the dialog stays for the user); quiet mode without a runtime exits with code 83.
bool decideAndPrepareRuntime(HWND dialog);

}  // namespace drx::launcher
