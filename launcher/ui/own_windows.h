// Counting the visible windows of a process and bringing another process's windows to the front.
#pragma once

#include <windows.h>

namespace drx::launcher {

// Visible top-level windows owned by processId, not counting this process's console window.
// With excludeConsole false (launcherType 1) the console is never looked up or renamed.
int countOwnWindows(DWORD processId, bool excludeConsole);

// Restores (when asked) and raises every visible top-level window of processId, logging each step.
void bringWindowsToFront(DWORD processId, bool restoreMinimised);

}  // namespace drx::launcher
