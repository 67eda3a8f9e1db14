// Wide texts on controls: resolved once from user32, narrow conversion where the wide calls are absent.
#include "launcher/ui/wide_text.h"

#include <cstdlib>

namespace drx::launcher {
namespace {

using SetDlgItemTextWFn = BOOL(WINAPI*)(HWND, int, LPCWSTR);
using SetWindowTextWFn = BOOL(WINAPI*)(HWND, LPCWSTR);

constexpr size_t kNarrowTextBuffer = 8192;

// Resolved on first use and kept. Two threads resolving at once compute the same values.
struct WideTextFunctions {
  bool resolved = false;
  SetDlgItemTextWFn setDlgItemText = nullptr;
  SetWindowTextWFn setWindowText = nullptr;
};

WideTextFunctions& wideTextFunctions() {
  static WideTextFunctions functions;
  if (!functions.resolved) {
    functions.resolved = true;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
      HMODULE user32 = GetModuleHandleA("user32.dll");
      if (user32) {
        functions.setDlgItemText = reinterpret_cast<SetDlgItemTextWFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetDlgItemTextW")));
        functions.setWindowText = reinterpret_cast<SetWindowTextWFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetWindowTextW")));
      }
    }
  }
  return functions;
}

// Characters outside the ANSI code page are lost here; only systems without the wide calls get here.
void toNarrow(const wchar_t* text, char (&buffer)[kNarrowTextBuffer]) {
  buffer[0] = '\0';
  if (!text) return;
  size_t converted = wcstombs(buffer, text, kNarrowTextBuffer - 1);
  if (converted == static_cast<size_t>(-1)) converted = 0;
  buffer[converted < kNarrowTextBuffer ? converted : kNarrowTextBuffer - 1] = '\0';
}

}  // namespace

void setDialogItemTextWide(HWND dialog, int controlId, const wchar_t* text) {
  WideTextFunctions& functions = wideTextFunctions();
  if (functions.setDlgItemText) {
    functions.setDlgItemText(dialog, controlId, text ? text : L"");
    return;
  }
  char narrow[kNarrowTextBuffer];
  toNarrow(text, narrow);
  SetDlgItemTextA(dialog, controlId, narrow);
}

void setWindowTitleWide(HWND window, const wchar_t* text) {
  WideTextFunctions& functions = wideTextFunctions();
  if (functions.setWindowText) {
    functions.setWindowText(window, text ? text : L"");
    return;
  }
  char narrow[kNarrowTextBuffer];
  toNarrow(text, narrow);
  SetWindowTextA(window, narrow);
}

}  // namespace drx::launcher
