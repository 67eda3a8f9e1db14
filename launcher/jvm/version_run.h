// Running a java executable with "-version", hidden, its standard error caught in a temporary file.
#pragma once

#include <windows.h>

#include <string>

#include "launcher/jvm/portable/runtime_search.h"

namespace drx::launcher {

// How long a runtime may take to answer "-version".
inline constexpr DWORD kVersionRunTimeoutMs = 60000;

// Starts "<short path> -version" with standard error into a fresh temporary file, waits at most
// timeoutMs (ending the process after that), and returns the file's start when it exited with 0.
VersionRun runJavaVersion(const std::string& javaExecutable, DWORD timeoutMs = kVersionRunTimeoutMs);

}  // namespace drx::launcher
