// Owner window search for the object picker, with the once-per-process console window lookup.
#include "platform/picker_owner_window.h"

#include <cwchar>
#include <string>

namespace drx::platform {

namespace {

constexpr DWORD kConsoleTitleSize = 8192;
const HWND kNotLookedUp = reinterpret_cast<HWND>(1);

struct OwnerSearch {
  HWND consoleWindow = kNotLookedUp;
  DWORD processId = 0;
  HWND lastFound = nullptr;
};

OwnerSearch& ownerSearch() {
  static OwnerSearch search;
  return search;
}

// A console has no handle of its own that older systems hand out: give it a unique title
// for a moment and find the window that carries it.
void lookUpConsoleWindow(OwnerSearch& search) {
  if (search.consoleWindow != kNotLookedUp) return;
  search.consoleWindow = nullptr;
  std::wstring oldTitle(kConsoleTitleSize, L'\0');
  const DWORD length = GetConsoleTitleW(oldTitle.data(), kConsoleTitleSize);
  if (length == 0) return;
  oldTitle.resize(wcsnlen(oldTitle.c_str(), kConsoleTitleSize));
  wchar_t uniqueTitle[64];
  swprintf(uniqueTitle, sizeof uniqueTitle / sizeof uniqueTitle[0], L"%d/%d",
           static_cast<int>(GetTickCount()), static_cast<int>(GetCurrentProcessId()));
  SetConsoleTitleW(uniqueTitle);
  Sleep(40);
  search.consoleWindow = FindWindowW(nullptr, uniqueTitle);
  SetConsoleTitleW(oldTitle.c_str());
}

BOOL CALLBACK considerWindow(HWND window, LPARAM) {
  OwnerSearch& search = ownerSearch();
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (IsWindowVisible(window) && owner == search.processId && window != search.consoleWindow)
    search.lastFound = window;
  return TRUE;
}

}  // namespace

HWND pickerOwnerWindow(DWORD processId) {
  OwnerSearch& search = ownerSearch();
  search.processId = processId;
  search.lastFound = nullptr;
  lookUpConsoleWindow(search);
  EnumWindows(considerWindow, 0);
  return search.lastFound != nullptr ? search.lastFound : search.consoleWindow;
}

}  // namespace drx::platform
