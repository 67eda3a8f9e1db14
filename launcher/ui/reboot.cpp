// Restarting the computer for the "__drx_reboot" start.
#include "launcher/ui/reboot.h"

#include <windows.h>

#include "common/unique_handle.h"

namespace drx::launcher {
namespace {

constexpr DWORD kRebootDelayMs = 5000;

bool enableShutdownPrivilege() {
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
  // AdjustTokenPrivileges succeeds even when it assigned nothing; only GetLastError tells.
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;
}

}  // namespace

void rebootComputer() {
  Sleep(kRebootDelayMs);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool isNt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  if (isNt && !enableShutdownPrivilege()) return;
  ExitWindowsEx(EWX_REBOOT, 0);
}

}  // namespace drx::launcher
