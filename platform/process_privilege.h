// Switching one privilege of the current process's token on or off (shutdown, debugging).
#pragma once

#include <windows.h>

namespace drx::platform {

// True when the switch took effect, or on the Windows 95 family, which has no privileges.
// A privilege the token does not hold counts as failure (ERROR_NOT_ALL_ASSIGNED).
bool switchProcessPrivilege(const wchar_t* name, bool enable);

// GetVersionExW with the plain OSVERSIONINFOW; false when it fails.
bool windowsVersion(OSVERSIONINFOW& version);

}  // namespace drx::platform
