// Call point for unpacking a runtime directory's pack200 archives before it is checked.
#pragma once

#include <string>

namespace drx::launcher {

// Expands a packed runtime's archives in place: when directory holds "lib\rt.jar.pack" and no
// "lib\jsse.jar", java.exe cannot run before its unpacker has made the jars.
using PackedRuntimeStep = void (*)(const std::string& directory);

// The runtime stages own the unpacker and sit above the search; the program connects it here
// before its first search. Without a step a packed runtime is checked as it lies.
void setPackedRuntimeStep(PackedRuntimeStep step);

// Check runtime directory calls this for every directory it is given.
void preparePackedRuntime(const std::string& directory);

}  // namespace drx::launcher
