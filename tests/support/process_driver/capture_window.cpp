// Waits for a visible window of a class (any process) and saves a screenshot of it as BMP.
// Usage: capture_window CLASS OUT.bmp [TIMEOUT_MS]. Exit code 0 when saved.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/process_driver/process_driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring className = argv[1];
  const DWORD timeoutMs = argc > 3 ? static_cast<DWORD>(wcstoul(argv[3], nullptr, 10)) : 30000;
  HWND window = nullptr;
  drx::test::waitUntil(timeoutMs, [&] {
    window = FindWindowW(className.c_str(), nullptr);
    return window && IsWindowVisible(window);
  });
  if (!window) return 1;
  Sleep(300);  // let the dialog paint its texts
  return drx::test::saveWindowScreenshot(window, argv[2]) ? 0 : 1;
}
