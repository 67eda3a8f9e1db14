// One running copy per launcher file: the named instance semaphore and the registered process id.
#pragma once

#include <string>

namespace drx::launcher {

inline constexpr const char* kProcessIdsKey = "SOFTWARE\\morvenic\\lanqo\\pids\\";
inline constexpr const char* kGlobalSemaphorePrefix = "Global\\";

// The semaphore name for an instance key: optional "Global\" and the key with '\' turned into '_'.
std::string instanceSemaphoreName(const std::string& instanceKey, bool global);

// True when this process is the first instance of its launcher file (and registers its id);
// otherwise brings the running instance's windows to the front and returns false: the caller
// ends the process with exit code 0.
bool checkSingleInstance();

// The name of this process's instance semaphore; empty when the check did not run.
const std::string& semaphoreName();

}  // namespace drx::launcher
