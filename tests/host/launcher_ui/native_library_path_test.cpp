// The PATH value built for the native library directories.
#include <gtest/gtest.h>

#include <string>

#include "launcher/ui/native_library_path.h"

namespace {

std::string underApp(std::string_view entry) {
  if (entry.size() > 1 && entry[1] == ':') return std::string(entry);
  return "C:\\app\\" + std::string(entry);
}

TEST(NativeLibraryPath, JoinsAbsoluteDirectoriesInFrontOfPath) {
  struct Case {
    const char* directories;
    const char* currentPath;
    const char* expected;
  } cases[] = {
      {"", "C:\\windows;C:\\bin", "C:\\windows;C:\\bin"},  // nothing configured: PATH untouched, no ';'
      {";;", "C:\\windows", "C:\\windows"},
      {"lib", "C:\\windows", "C:\\app\\lib;C:\\windows"},
      {"lib;;D:\\native;", "C:\\windows", "C:\\app\\lib;D:\\native;C:\\windows"},
      {"lib", "", "C:\\app\\lib;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(drx::launcher::buildNativeLibraryPath(c.directories, c.currentPath, underApp), c.expected)
        << "directories: " << c.directories;
  }
}

TEST(NativeLibraryPath, CutsAnOverlongValueAfterItsLastWholeEntry) {
  const std::string entry = "C:\\some\\long\\directory;";
  const std::string prefix = "C:\\app\\lib;";
  std::string longPath;
  while (longPath.size() < drx::launcher::kPathValueLimit + 100) longPath += entry;
  const std::string result = drx::launcher::buildNativeLibraryPath("lib", longPath, underApp);
  ASSERT_LT(result.size(), drx::launcher::kPathValueLimit);
  ASSERT_EQ(result.rfind(prefix, 0), 0u);
  // Only whole entries remain, as many as fit.
  EXPECT_EQ((result.size() - prefix.size()) % entry.size(), 0u);
  EXPECT_GT(result.size() + entry.size(), drx::launcher::kPathValueLimit - 1);
}

}  // namespace
