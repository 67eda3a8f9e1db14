// Call point for unpacking a runtime directory's pack200 archives before it is checked.
#pragma once

#include <string>

namespace drx::launcher {

// Prepare a packed runtime: when directory holds "lib\rt.jar.pack" and no "lib\jsse.jar", its
// pack200 archives are to be expanded with the runtime's unpacker before java.exe can run.
// Check runtime directory calls this for every directory it is given. The unpacking step lives
// with the included-runtime code; until it is wired in here this does nothing, so a packed
// runtime is checked as it lies.
void preparePackedRuntime(const std::string& directory);

}  // namespace drx::launcher
