// The virtual machine's option list from the launcher's configuration, options files and command line.
#pragma once

#include <string>
#include <vector>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// System properties first, then vmParameters, the -J arguments (when passed through), the
// options file beside the launcher, and the class path option last. A missing mandatory class
// path entry is a failure (msgClassPathEntryMissing, msgClassPathVariableUndefined), as is an
// unterminated quote in vmParameters (msgWrongParameterUsage).
RunFailure buildVmOptionList(const std::vector<std::string>& systemProperties,
                             const std::vector<std::wstring>& commandLine, std::vector<std::string>& options);

}  // namespace drx::launcher
