// Search entry S with a java.exe planted beside the setup program and in the current directory:
// neither is run or taken; a runtime on PATH still is.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "driver_run.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "runtime_layout.h"
#include "standin_runtimes.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::test {
namespace {

using launcher::normalisePath;

void resetSearchKeys() {
  for (const char* key :
       {launcher::kVersionCacheKey, launcher::kLocatedRuntimesKey, launcher::kInstallationsKey}) {
    std::string name(key);
    while (!name.empty() && name.back() == '\\') name.pop_back();
    RegDeleteTreeA(HKEY_CURRENT_USER, name.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, name.c_str());
  }
}

std::string systemPath() {
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string directory(windows, length);
  return directory + "\\system32;" + directory;
}

// A java.exe that answers -version with an acceptable version, alone in folder (no bin\ below).
void plantJava(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::wstring standin = standin::standinBinaryDirectory() + L"\\java.exe";
  ASSERT_TRUE(CopyFileW(standin.c_str(), wide(folder + "\\java.exe").c_str(), FALSE)) << folder;
  setStandinConfig(folder, "java.firstLine=java version \"1.8.0_99\"");
}

int plantedRuns(const std::string& folder) {
  const std::string counter = readTextFile(folder + "\\java-runs.txt");
  int runs = 0;
  for (char c : counter) runs += c == '\n';
  return runs;
}

class SearchPathPlanting : public ::testing::Test {
 protected:
  void SetUp() override { resetSearchKeys(); }
  void TearDown() override { resetSearchKeys(); }

  ScratchDirectory scratch_{L"drxplant"};
  std::string root_ = narrow(scratch_.path());
};

TEST_F(SearchPathPlanting, EntrySSkipsTheSetupFolderAndTheCurrentDirectory) {
  const std::string download = root_ + "\\download";
  const std::string current = root_ + "\\current";
  plantJava(download);
  plantJava(current);
  const std::string onPath = root_ + "\\onpath";
  makeStandinRuntime(onPath, "java.firstLine=java version \"1.6.0_21\"");

  struct Row {
    const char* what;
    std::string path;
    std::string found;
  };
  const Row rows[] = {
      {"runtime on PATH", onPath + "\\bin;" + systemPath(), normalisePath(onPath + "\\bin\\java.exe")},
      {"nothing on PATH", systemPath(), "(none)"},
      // PATH naming the setup folder or the current directory relatively gains nothing either.
      {"relative PATH entries", ".;" + systemPath(), "(none)"},
  };
  for (const Row& row : rows) {
    resetSearchKeys();
    const DriverRun run = runDriverAs(
        download, "setup.exe",
        {{"DRX_TEST_MODE", "search"}, {"DRX_TEST_P126", "1.5"}, {"DRX_TEST_P128", "S"}, {"PATH", row.path}},
        "", current);
    EXPECT_EQ(run.exitCode, 0u) << row.what << run.standardError;
    EXPECT_EQ(run.found, row.found) << row.what << "\n" << run.log;
  }
  // With nothing beside the setup program, the current directory's copy is the first the
  // standard search would reach.
  ASSERT_TRUE(DeleteFileA((download + "\\java.exe").c_str()));
  resetSearchKeys();
  const DriverRun run = runDriverAs(
      download, "setup.exe",
      {{"DRX_TEST_MODE", "search"}, {"DRX_TEST_P126", "1.5"}, {"DRX_TEST_P128", "S"}, {"PATH", systemPath()}},
      "", current);
  EXPECT_EQ(run.found, "(none)") << run.log;
  EXPECT_EQ(plantedRuns(download), 0);
  EXPECT_EQ(plantedRuns(current), 0);
  EXPECT_EQ(javaRuns(onPath), 1);
}

}  // namespace
}  // namespace drx::test
