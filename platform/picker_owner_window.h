// The window the object picker is shown over: the process's last visible top-level window,
// or its console window.
#pragma once

#include <windows.h>

namespace drx::platform {

// Null when the process has neither a visible window nor a console window.
HWND pickerOwnerWindow(DWORD processId);

}  // namespace drx::platform
