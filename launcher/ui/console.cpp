// Attaching to the parent's console, looked up at run time for systems without AttachConsole.
#include "launcher/ui/console.h"

#include <windows.h>

namespace drx::launcher {

bool attachConsole() {
  using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  auto attach = kernel32 ? reinterpret_cast<AttachConsoleFn>(
                               reinterpret_cast<void*>(GetProcAddress(kernel32, "AttachConsole")))
                         : nullptr;
  if (attach) {
    // ERROR_ACCESS_DENIED: the process is attached to a console already.
    if (attach(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED) return true;
  }
  return AllocConsole() != 0;
}

}  // namespace drx::launcher
