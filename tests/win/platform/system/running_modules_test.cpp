// Both passes of the process list, linked in directly: through the export only the first runs
// wherever the process-status functions exist.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/running_modules.h"

namespace drx::platform {
namespace {

std::wstring ownEntry() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::to_wstring(GetCurrentProcessId()) + L" " + path;
}

bool containsIgnoringCase(const std::vector<std::wstring>& entries, const std::wstring& wanted) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::wstring& entry) { return _wcsicmp(entry.c_str(), wanted.c_str()) == 0; });
}

TEST(RunningModules, BothPassesListIdSpaceAndFullPathIncludingThisProcess) {
  std::vector<std::wstring> processStatus;
  processStatusPass(processStatus);
  std::vector<std::wstring> toolHelp;
  toolHelpPass(toolHelp);
  for (const auto* entries : {&processStatus, &toolHelp}) {
    ASSERT_FALSE(entries->empty());
    EXPECT_TRUE(containsIgnoringCase(*entries, ownEntry()));
    for (const std::wstring& entry : *entries) {
      const size_t space = entry.find(L' ');
      ASSERT_NE(space, std::wstring::npos);
      EXPECT_GT(space, 0u);
      EXPECT_NE(entry.substr(0, space), L"0");
    }
  }
}

}  // namespace
}  // namespace drx::platform
