// Finding and checking a Java runtime on this machine for the launcher.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace drx::launcher {

// Search for a runtime: preferred location, the configured search sequence, the installer
// location, the relative pass, previous installations and the *_JAVA_HOME variables. The
// version range and the sequence come from the launcher properties. The chosen java executable
// (normalised, lower case) or nothing.
std::optional<std::string> searchForRuntime();

// Check java executable: path is normalised on the way and, for a GUI launcher, becomes javaw.exe.
bool checkJavaExecutable(std::string& path, bool allowBeta, bool useCache);

// Check runtime directory with the configured version range; javaExecutable gets its candidate.
bool checkRuntimeDirectory(const std::string& directory, bool acceptWithoutVersion,
                           std::string& javaExecutable);

// How long "-version" may run; tests shorten it to exercise the timeout.
void setVersionRunTimeout(DWORD timeoutMs);

}  // namespace drx::launcher
