// A child program for the process tests. Modes: "visible TITLE" (ends with 42 when its window
// is closed, and appends " env" to its title when told that the environment changed),
// "stubborn TITLE" (a visible window that ignores WM_CLOSE), "hidden TITLE" (only an
// invisible titled window), "none" (no window at all). It never ends on its own.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

bool stubborn = false;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (stubborn) return 0;
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(42);
      return 0;
    case WM_SETTINGCHANGE:
      if (lParam != 0 && lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"Environment") == 0) {
        wchar_t title[256];
        GetWindowTextW(window, title, 240);
        SetWindowTextW(window, (std::wstring(title) + L" env").c_str());
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring mode = count > 1 ? arguments[1] : L"none";
  const std::wstring title = count > 2 ? arguments[2] : L"";
  if (mode == L"none") {
    Sleep(INFINITE);
    return 0;
  }
  stubborn = mode == L"stubborn";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"DrxWindowProbe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"DrxWindowProbe", title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                              nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 2;
  if (mode != L"hidden") ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
