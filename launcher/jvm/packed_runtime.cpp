// Call point for the pack200 step of a runtime directory (not wired to the unpacker yet).
#include "launcher/jvm/packed_runtime.h"

namespace drx::launcher {

void preparePackedRuntime(const std::string&) {}

}  // namespace drx::launcher
