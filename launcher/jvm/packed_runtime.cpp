// Call point for the pack200 step of a runtime directory, before the directory is checked.
#include "launcher/jvm/packed_runtime.h"

#include "launcher/error_report.h"
#include "launcher/runtime/pack200.h"

namespace drx::launcher {

void preparePackedRuntime(const std::string& directory) {
  // The search that asks for this may run inside the choice dialog's procedure, with no way to
  // hand a failure back up: an unpacker that cannot be started ends the run here.
  if (RunFailure failure = unpackRuntimeDirectory(directory)) endWithFailure(failure);
}

}  // namespace drx::launcher
