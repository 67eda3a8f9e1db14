// The runtime stages of the work sequence: settle a runtime, unpack, launch.
#pragma once

#include <windows.h>

namespace drx::launcher {

inline constexpr int kMsgCouldNotStartJvm = 1005;

// Decides between an included, an installed, a downloaded or a hand-picked runtime and prepares
// it. False when no runtime is ready and the dialog is left for the user (quiet mode exits 83).
bool decideAndPrepareRuntime(HWND dialog);

// Expands packed included files after the runtime is settled.
void unpackIncludedFiles();

// Creates the virtual machine in this process and runs the Java launcher class to its end.
bool launchJava();

// Offers to download a runtime or to pick one by hand, inside the given dialog.
void offerRuntimeDownload(HWND dialog);

}  // namespace drx::launcher
