// The launcher's entry: special starts, switches, the failed-start question and the choice of mode.
#pragma once

#include <windows.h>

namespace drx::launcher {

// commandTail is the narrow command-line tail WinMain receives. Returns the exit code.
int runLauncher(HINSTANCE instance, const char* commandTail);

}  // namespace drx::launcher
