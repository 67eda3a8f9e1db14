// Call point for the pack200 step of a runtime directory, before the directory is checked.
#include "launcher/jvm/packed_runtime.h"

namespace drx::launcher {
namespace {

// Set once on the main thread before any search starts; searches on other threads only read it.
PackedRuntimeStep& packedRuntimeStep() {
  static PackedRuntimeStep step = nullptr;
  return step;
}

}  // namespace

void setPackedRuntimeStep(PackedRuntimeStep step) { packedRuntimeStep() = step; }

void preparePackedRuntime(const std::string& directory) {
  if (PackedRuntimeStep step = packedRuntimeStep()) step(directory);
}

}  // namespace drx::launcher
