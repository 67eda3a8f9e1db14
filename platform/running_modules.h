// The list of running processes as "<id> <executable path>" texts, for Misc.getRunningModules0.
#pragma once

#include <string>
#include <vector>

namespace drx::platform {

// The process-status pass first (psapi from the system directory); the tool-help pass only when
// that yields nothing. Empty when neither works.
std::vector<std::wstring> runningModules();

// The two passes on their own (each appends its entries), so both can be checked.
void processStatusPass(std::vector<std::wstring>& entries);
void toolHelpPass(std::vector<std::wstring>& entries);

}  // namespace drx::platform
