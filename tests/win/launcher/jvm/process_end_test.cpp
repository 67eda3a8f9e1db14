// How a start ends and what it leaves: Cancel while the work runs, a Java main that returns, and
// the environment (PATH, native library directories) handed to the Java side.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "launch_fixture.h"
#include "launcher/resources/resource_ids.h"

namespace drx::test {
namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr int32_t kNativeLibraryDirectories = 10004;
constexpr const char* kLibraryPathOption = "-Djava.library.path=";
constexpr const char* kTempDirOption = "-Dlanqo.tempDir=";

HWND progressDialogOf(const ChildProcess& child) {
  return waitForWindow(child.id(), kTimeoutMs,
                       [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
}

std::string joinNames(const std::vector<std::wstring>& names) {
  std::string joined;
  for (const std::wstring& name : names) joined += LauncherLaunch::narrow(name) + " ";
  return joined;
}

std::string optionValue(const standin::Report& report, const std::string& prefix) {
  for (const std::string& option : report.utf8Values("jvm.option")) {
    if (option.rfind(prefix, 0) == 0) return option.substr(prefix.size());
  }
  return "<no " + prefix + ">";
}

// The runtime search may hand over the runtime's path in lower case.
std::string lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

TEST_F(LauncherLaunch, CancelDuringASlowJavaVersionRunEndsWithZeroAndRemovesTheExtractedFiles) {
  standin::RuntimeSpec runtime;
  runtime.config = "java.hangMs=30000\n";  // ends by itself after the test
  LaunchSetup launch = setupWithRuntime(L"", runtime);
  launch.media.narrow.erase(payload::kNoProgressDialog);
  launch.media.files = {{"lib\\a.jar", std::string(3000, 'a')}, {"b.bin", "bytes"}};
  launch.keepLog = true;
  ChildProcess child = startLauncher(launch);
  HWND dialog = progressDialogOf(child);
  ASSERT_NE(dialog, nullptr);
  // The stand-in java.exe counts its runs beside it: the version run is under way.
  const std::wstring runs = launch.directory + L"\\runtime\\bin\\java-runs.txt";
  ASSERT_TRUE(waitUntil(kTimeoutMs, [&] { return !readFileBytes(runs).empty(); })) << readLog(launch);
  ASSERT_FALSE(temporaryLeftovers(launch).empty()) << "the files are extracted before the search";

  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(readFileBytes(launch.stderrPath), "");
  EXPECT_EQ(joinNames(temporaryLeftovers(launch)), "");
  const std::string log = readLog(launch);
  EXPECT_NE(log.find("Canceled installer"), std::string::npos) << log;
  EXPECT_EQ(readStartupMarker(false), -1);
}

TEST_F(LauncherLaunch, JavaMainThatReturnsEndsTheProcessSoTheNextStartReachesMain) {
  standin::RuntimeSpec runtime;
  // Like a Swing main: the window lives on a thread of its own and main returns at once; when
  // it closes, DestroyJavaVM returns.
  runtime.config = "jvm.main.action=window 1500 Java side\n";
  LaunchSetup launch = setupWithRuntime(L"", runtime);
  launch.media.narrow.erase(payload::kNoProgressDialog);
  for (size_t start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    ChildProcess child = startLauncher(launch);
    DWORD exitCode = 99;
    ASSERT_TRUE(child.waitForExit(kTimeoutMs, exitCode)) << "the process outlives its Java side";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(report().count("jvm.main"), start) << "a start after the first must reach main";
    EXPECT_EQ(report().count("jvm.destroy"), start);
    clearStartupMarkers();  // left for the Java side to clear; otherwise the next start asks
  }
}

TEST_F(LauncherLaunch, PathLongerThanSixteenKilobytesSurvivesWithTheRuntimesBinAppended) {
  standin::RuntimeSpec runtime;
  runtime.config = "jvm.main.action=env PATH\n";
  LaunchSetup launch = setupWithRuntime(L"", runtime);
  std::string path = "C:\\windows\\system32;C:\\windows";
  for (int i = 0; path.size() < 20000; ++i)
    path += ";C:\\Program Files\\Vendor " + std::to_string(i) + "\\bin";
  launch.environment.emplace_back(L"PATH", std::wstring(path.begin(), path.end()));
  const LaunchResult result = runToEnd(launch, kRunTimeoutMs);
  ASSERT_EQ(result.exitCode, 0u) << result.standardError;

  const standin::Report seen = report();
  const std::vector<std::string> reported = seen.utf8Values("jvm.env");
  ASSERT_EQ(reported.size(), 1u);
  const std::string bin = narrow(launch.directory) + "\\runtime\\bin";
  EXPECT_EQ(lower(reported[0]), lower("PATH=" + path + ";" + bin));

  // The library path fills its 8192-byte property with whole entries only.
  const std::string libraryPath = optionValue(seen, kLibraryPathOption);
  ASSERT_LT(libraryPath.size(), path.size());
  EXPECT_GT(libraryPath.size() + strlen(kLibraryPathOption) + 60, 8191u) << "cut further than needed";
  EXPECT_EQ(path.compare(0, libraryPath.size(), libraryPath), 0);
  EXPECT_EQ(path[libraryPath.size()], ';') << "cut inside an entry";
}

TEST_F(LauncherLaunch, NativeLibraryDirectoryInTheTemporaryDirectoryGoesInFrontOfPathAndTheLibraryPath) {
  standin::RuntimeSpec runtime;
  runtime.config = "jvm.main.action=env PATH\n";
  LaunchSetup launch = setupWithRuntime(L"", runtime);
  launch.media.narrow[kNativeLibraryDirectories] = "${LANQO_TEMPDIR}\\lib";
  launch.media.files = {{"lib\\native.dll", "native code"}};
  launch.environment.emplace_back(L"PATH", L"C:\\windows\\system32;C:\\windows");
  launch.keepLog = true;
  const LaunchResult result = runToEnd(launch, kRunTimeoutMs);
  ASSERT_EQ(result.exitCode, 0u) << result.standardError << readLog(launch);

  const standin::Report seen = report();
  const std::string lib = optionValue(seen, kTempDirOption) + "\\lib";
  EXPECT_EQ(readFileBytes(std::wstring(lib.begin(), lib.end()) + L"\\native.dll"), "native code");
  const std::vector<std::string> reported = seen.utf8Values("jvm.env");
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].rfind("PATH=" + lib + ";C:\\windows\\system32;C:\\windows;", 0), 0u) << reported[0];
  EXPECT_EQ(optionValue(seen, kLibraryPathOption).rfind(lib + ";C:\\windows\\system32;", 0), 0u)
      << optionValue(seen, kLibraryPathOption);
}

}  // namespace
}  // namespace drx::test
