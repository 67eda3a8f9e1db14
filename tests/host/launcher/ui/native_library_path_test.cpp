// The PATH value built for the native library directories.
#include <gtest/gtest.h>

#include <string>

#include "launcher/ui/portable/native_library_path.h"

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

TEST(NativeLibraryPath, KeepsTheWholePathAndLeavesOutDirectoriesThatDoNotFit) {
  // A PATH beyond the old 16 384-character buffer stays whole behind the directories.
  const std::string entry = "C:\\some\\long\\directory;";
  std::string longPath;
  while (longPath.size() < 20000) longPath += entry;
  longPath += "C:\\tail";
  EXPECT_EQ(drx::launcher::buildNativeLibraryPath("lib;D:\\n", longPath, underApp),
            "C:\\app\\lib;D:\\n;" + longPath);

  std::string fullPath = longPath;
  fullPath.resize(drx::launcher::kPathValueLimit - 1 - std::string("C:\\app\\lib;").size(), 'x');
  EXPECT_EQ(drx::launcher::buildNativeLibraryPath("lib;D:\\n", fullPath, underApp),
            "C:\\app\\lib;" + fullPath)
      << "the second directory no longer fits";
  fullPath.push_back('x');
  EXPECT_EQ(drx::launcher::buildNativeLibraryPath("lib;D:\\n", fullPath, underApp), fullPath)
      << "no directory fits: PATH stays as it was";
}

TEST(NativeLibraryPath, LibraryPathIsCutOnlyAtAnEntryBoundary) {
  struct Case {
    const char* list;
    size_t limit;
    const char* expected;
  } cases[] = {
      {"C:\\a;C:\\bb", 100, "C:\\a;C:\\bb"},  // fits
      {"C:\\a;C:\\bb", 10, "C:\\a;C:\\bb"},   // exactly
      {"C:\\a;C:\\bb", 6, "C:\\a"},           // inside the second entry
      {"C:\\a;C:\\bb", 4, "C:\\a"},           // the separator itself is the first character left out
      {"C:\\a;C:\\bb", 3, ""},                // inside the first entry: nothing
      {"C:\\a;;C:\\bb", 5, "C:\\a;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(drx::launcher::wholeEntriesWithin(c.list, c.limit), c.expected)
        << c.list << " within " << c.limit;
  }
}

}  // namespace
