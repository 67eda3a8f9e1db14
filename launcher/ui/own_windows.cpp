// Window enumeration for the start-up wait and for handing over to a running instance.
#include "launcher/ui/own_windows.h"

#include "common/format_text.h"
#include "launcher/launcher_log.h"

namespace drx::launcher {
namespace {

constexpr size_t kTitleBuffer = 8192;
// A value that is no real window handle: the console window has not been looked up yet.
const HWND kConsoleNotLookedUp = reinterpret_cast<HWND>(1);

// Written only by the thread that counts (the start-up wait thread).
struct WindowFilter {
  DWORD processId = 0;
  int count = 0;
  HWND consoleWindow = kConsoleNotLookedUp;
};

WindowFilter& windowFilter() {
  static WindowFilter filter;
  return filter;
}

// A console has no window handle of its own to ask for on old systems: give it a unique title
// for a moment and find the window by that title.
void lookUpConsoleWindow(bool excludeConsole) {
  WindowFilter& filter = windowFilter();
  if (filter.consoleWindow != kConsoleNotLookedUp) return;
  filter.consoleWindow = nullptr;
  if (!excludeConsole) return;

  char oldTitle[kTitleBuffer];
  if (GetConsoleTitleA(oldTitle, sizeof oldTitle) == 0) return;
  char uniqueTitle[64];
  formatText(uniqueTitle, sizeof uniqueTitle, "%lu/%lu", static_cast<unsigned long>(GetTickCount()),
             static_cast<unsigned long>(GetCurrentProcessId()));
  if (!SetConsoleTitleA(uniqueTitle)) return;
  Sleep(40);
  filter.consoleWindow = FindWindowA(nullptr, uniqueTitle);
  SetConsoleTitleA(oldTitle);
}

bool isVisibleWindowOf(HWND window, DWORD processId) {
  if (!IsWindowVisible(window)) return false;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == processId;
}

BOOL CALLBACK countWindow(HWND window, LPARAM) {
  WindowFilter& filter = windowFilter();
  if (isVisibleWindowOf(window, filter.processId) && window != filter.consoleWindow) ++filter.count;
  return TRUE;
}

struct FrontRequest {
  DWORD processId;
  bool restoreMinimised;
};

BOOL CALLBACK bringWindow(HWND window, LPARAM parameter) {
  const FrontRequest& request = *reinterpret_cast<const FrontRequest*>(parameter);
  if (!isVisibleWindowOf(window, request.processId)) return TRUE;
  logLine("found window %p", static_cast<void*>(window));
  if (request.restoreMinimised && IsIconic(window)) {
    logLine("restore");
    ShowWindow(window, SW_RESTORE);
  }
  logLine("foreground");
  SetForegroundWindow(window);
  logLine("popup");
  SetForegroundWindow(GetLastActivePopup(window));
  logLine("done");
  return TRUE;
}

}  // namespace

int countOwnWindows(DWORD processId, bool excludeConsole) {
  WindowFilter& filter = windowFilter();
  filter.processId = processId;
  filter.count = 0;
  lookUpConsoleWindow(excludeConsole);
  EnumWindows(countWindow, 0);
  return filter.count;
}

void bringWindowsToFront(DWORD processId, bool restoreMinimised) {
  FrontRequest request{processId, restoreMinimised};
  EnumWindows(bringWindow, reinterpret_cast<LPARAM>(&request));
}

}  // namespace drx::launcher
