// Directories only the current user, SYSTEM and the Administrators can reach.
#pragma once

#include <string>

namespace drx::launcher {

// CreateDirectoryA with a protected DACL for the current user, SYSTEM and Administrators,
// inherited by everything created inside. A directory in a shared place (C:\Windows\Temp,
// c:\temp) would otherwise inherit entries that let other users add or replace files in it.
// Fails, creating nothing, when the descriptor cannot be built.
bool createPrivateDirectory(const std::string& path);

}  // namespace drx::launcher
