// The virtual machine's option list from the launcher's configuration, options files and command line.
#pragma once

#include <string>
#include <vector>

namespace drx::launcher {

// System properties first, then vmParameters, the -J arguments (when passed through), the
// options file beside the launcher, and the class path option last. A missing mandatory class
// path entry stops the launcher (messages 1006 and 1008), as does an unterminated quote in
// vmParameters (message 1007).
std::vector<std::string> buildVmOptionList(const std::vector<std::string>& systemProperties,
                                           const std::vector<std::wstring>& commandLine);

}  // namespace drx::launcher
