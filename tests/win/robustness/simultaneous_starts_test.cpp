// Twenty copies of one media file started at once: exactly one goes on into Java, every other copy
// sees the first one's instance semaphore and ends with exit code 0.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "report_format.h"
#include "runtime_layout.h"
#include "tests/support/launcher_run/launcher_run.h"

namespace drx::test {
namespace {

constexpr int kStarts = 20;
constexpr DWORD kTimeoutMs = 120000;
constexpr int32_t kMainClass = 122;
constexpr int32_t kMinJavaVersion = 126;
constexpr int32_t kJreSearchSequence = 128;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(SimultaneousStarts, TwentyStartsOfOneMediaFileLetExactlyOneProceed) {
  clearStartupMarkers();
  ScratchDirectory scratch(L"starts");
  LaunchSetup launch(scratch);
  // The copy that goes on stays in main until the test ends it, so every other copy surely
  // meets its semaphore.
  standin::RuntimeSpec runtime;
  runtime.config = "jvm.main.action=sleep 600000\n";
  const std::wstring root = launch.directory + L"\\runtime";
  ASSERT_TRUE(standin::layOutRuntime(root, runtime));
  const std::wstring reportPath = launch.directory + L"\\report.txt";
  launch.media.narrow[kMainClass] = "com.example.Main";
  launch.media.narrow[kMinJavaVersion] = "1.5";
  launch.media.narrow[kJreSearchSequence] = "B" + narrow(root) + ";";
  launch.media.narrow[payload::kNoProgressDialog] = "1";
  ASSERT_TRUE(writeMediaFile(launch.media, launch.mediaPath));

  std::vector<std::unique_ptr<ChildProcess>> copies;
  for (int i = 0; i < kStarts; ++i) {
    ChildOptions options;
    options.commandLine = L"\"" + launch.mediaPath + L"\" -q";
    options.workingDirectory = launch.directory;
    options.stdoutPath = launch.directory + L"\\stdout" + std::to_wstring(i) + L".txt";
    options.stderrPath = launch.directory + L"\\stderr" + std::to_wstring(i) + L".txt";
    options.environment = {
        {L"TMP", launch.temporaryPath}, {L"TEMP", launch.temporaryPath}, {L"DRX_STANDIN_REPORT", reportPath}};
    options.unsetEnvironment = {L"LANQO_LOG", L"DEPLOYRIX_LOG", L"LANQO_JAVA_HOME", L"DEPLOYRIX_JAVA_HOME"};
    copies.push_back(std::make_unique<ChildProcess>(options));
    ASSERT_TRUE(copies.back()->running()) << i;
  }

  std::vector<DWORD> exitCodes(kStarts, STILL_ACTIVE);
  auto ended = [&] {
    int count = 0;
    for (int i = 0; i < kStarts; ++i) {
      if (exitCodes[i] == STILL_ACTIVE) copies[i]->waitForExit(0, exitCodes[i]);
      count += exitCodes[i] != STILL_ACTIVE;
    }
    return count;
  };
  const auto reachedMain = [&] {
    return standin::Report::parse(readFileBytes(reportPath)).count("jvm.main");
  };
  EXPECT_TRUE(waitUntil(kTimeoutMs, [&] { return ended() == kStarts - 1 && reachedMain() == 1; }))
      << ended() << " copies ended, " << reachedMain() << " reached main";
  // A second copy that slipped through would reach main a little later.
  Sleep(2000);

  int running = 0;
  for (int i = 0; i < kStarts; ++i) {
    if (exitCodes[i] == STILL_ACTIVE && !copies[i]->waitForExit(0, exitCodes[i])) {
      ++running;
      continue;
    }
    EXPECT_EQ(exitCodes[i], 0u) << "copy " << i << ": "
                                << readFileBytes(launch.directory + L"\\stderr" + std::to_wstring(i) +
                                                 L".txt");
  }
  EXPECT_EQ(running, 1);
  EXPECT_EQ(reachedMain(), 1u);
  copies.clear();  // ends the copy still in main
  clearStartupMarkers();
}

}  // namespace
}  // namespace drx::test
