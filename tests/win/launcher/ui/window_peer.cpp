// Test peer: shows one top-level window minimised and keeps it for at most 60 seconds.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "DrxWindowPeer";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("DrxWindowPeer", "window peer", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                              nullptr, instance, nullptr);
  if (!window) return 2;
  ShowWindow(window, SW_SHOWMINIMIZED);
  SetTimer(window, 1, 60000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) break;
    DispatchMessageA(&message);
  }
  return 0;
}
