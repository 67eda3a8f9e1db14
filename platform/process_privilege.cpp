// The privilege switch of the process and system natives.
#include "platform/process_privilege.h"

#include "common/unique_handle.h"

namespace drx::platform {

bool windowsVersion(OSVERSIONINFOW& version) {
  version = OSVERSIONINFOW{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExW(&version) != FALSE;
#pragma GCC diagnostic pop
}

bool switchProcessPrivilege(const wchar_t* name, bool enable) {
  OSVERSIONINFOW version;
  if (!windowsVersion(version)) return false;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return true;
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  // A failed lookup leaves a zero LUID, which AdjustTokenPrivileges reports as not assigned.
  LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid);
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;
}

}  // namespace drx::platform
