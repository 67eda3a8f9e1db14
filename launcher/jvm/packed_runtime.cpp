// Call point for the pack200 step of a runtime directory, before the directory is checked.
#include "launcher/jvm/packed_runtime.h"

#include "launcher/runtime/pack200.h"

namespace drx::launcher {

void preparePackedRuntime(const std::string& directory) { unpackRuntimeDirectory(directory); }

}  // namespace drx::launcher
