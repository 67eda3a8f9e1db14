// The runtime choice dialog (resource 104): download a runtime, locate a java.exe, or cancel.
#pragma once

#include <windows.h>

namespace drx::launcher {

// Shows the dialog modally over owner. Returns IDC_DOWNLOAD, or IDC_LOCATE once a runtime picked
// by hand has loaded; Cancel ends the launcher with exit code 1.
INT_PTR showChoiceDialog(HWND owner, bool downloadOffered);

// Lets the user pick java.exe, prepares it (telling the user why it is unusable) and remembers it.
bool locateRuntime(HWND owner);

}  // namespace drx::launcher
