// The Java virtual machine in the launcher's own process: loading the runtime's jvm.dll,
// creating the virtual machine and running the Java launcher class's main.
#pragma once

#include <string>
#include <vector>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

inline constexpr const char* kJvmTypeDirectories[] = {"hotspot", "client", "server", "classic", "jrockit"};

// Finds and checks a runtime (location given as a runtime directory or, with isJavaExecutable,
// a java executable the user picked; empty: search the machine) and loads its jvm.dll.
// showErrors shows the messages about a runtime the user picked by hand (unusable, damaged).
bool prepareRuntime(bool showErrors, const std::string& location, bool isJavaExecutable);

// Builds the options, creates the virtual machine, runs main and destroys the virtual machine.
// commandLine is the launcher's own command line split by the tokeniser. kJavaNotStarted when
// the virtual machine cannot be created or main ends with an exception; the failure of the step
// concerned when the options, the first-run check or the launcher class fail.
RunFailure launchJavaVm(const std::vector<std::wstring>& commandLine);

}  // namespace drx::launcher
