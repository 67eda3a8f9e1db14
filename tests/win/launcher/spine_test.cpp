// End-to-end tests of the launcher's start-up: switches, modes, the progress dialog, the
// failed-last-run question and the registry start-up markers, on real media files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher/resources/resource_ids.h"
#include "tests/support/launcher_run/launcher_run.h"
#include "tests/support/process_driver/process_driver.h"

namespace drx::test {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;

class LauncherSpine : public testing::Test {
 protected:
  void SetUp() override {
    clearStartupMarkers();
    ASSERT_FALSE(scratch_.path().empty());
  }
  void TearDown() override { clearStartupMarkers(); }

  LaunchSetup setup(const std::wstring& arguments) {
    LaunchSetup launch(scratch_);
    launch.arguments = arguments;
    return launch;
  }

  ScratchDirectory scratch_{L"spine"};
};

HWND progressDialogOf(const ChildProcess& child) {
  return waitForWindow(child.id(), kStartTimeoutMs,
                       [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
}

HWND messageBoxOf(const ChildProcess& child) {
  return waitForWindow(child.id(), kStartTimeoutMs,
                       [](HWND window) { return windowClassName(window) == L"#32770"; });
}

// Ends a start that waits in its progress dialog with Cancel: the normal end, exit code 0.
// Cancel comes once the work has set its markers, so no marker is written behind it.
DWORD cancelProgressDialog(ChildProcess& child) {
  HWND dialog = progressDialogOf(child);
  if (!dialog) return 99;
  // The work sets the process marker and then the plain one: wait for both.
  waitUntil(kStartTimeoutMs,
            [&] { return readStartupMarker(true, child.id()) == 1 && readStartupMarker(false) == 1; });
  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  return child.waitForExit(kStartTimeoutMs, exitCode) ? exitCode : 98;
}

TEST_F(LauncherSpine, QuietStartWithoutRuntimeOpensNoWindowAndExits83WithoutMarkers) {
  LaunchSetup launch = setup(L"-q");
  launch.media.wide[20015] = L"asked anyway";
  setPlainStartupMarker(1);  // a quiet start never asks the failed-last-run question
  LaunchResult result = runToEnd(launch, kStartTimeoutMs);
  EXPECT_EQ(result.exitCode, 83u);
  EXPECT_NE(result.standardOutput.find("no jre found"), std::string::npos) << result.standardOutput;
  EXPECT_FALSE(result.sawWindow);
  EXPECT_EQ(readStartupMarker(false), -1) << "the plain marker must be gone";
  EXPECT_EQ(readStartupMarker(true, result.processId), -1);
}

TEST_F(LauncherSpine, ProgressDialogShowsItsTextsCentredAndCancelEndsWithZeroAndNoMarkers) {
  LaunchSetup launch = setup(L"");
  ChildProcess child = startLauncher(launch);
  ASSERT_TRUE(child.running());
  HWND dialog = progressDialogOf(child);
  ASSERT_NE(dialog, nullptr);

  EXPECT_EQ(windowText(dialog), launch.media.wide.at(payload::kMsgWizardTitle));
  EXPECT_EQ(dialogItemText(dialog, IDC_MESSAGE), launch.media.wide.at(payload::kMsgPreparing));
  EXPECT_EQ(dialogItemText(dialog, IDCANCEL), launch.media.wide.at(payload::kTextCancelButton));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_STATUS_LINE)));

  RECT desktop{};
  RECT bounds{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(dialog, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  EXPECT_EQ(bounds.left, desktop.left + ((desktop.right - desktop.left) - width) / 2);
  EXPECT_EQ(bounds.top, desktop.top + ((desktop.bottom - desktop.top) - height) / 2);

  // The start is under way: both markers are set while the dialog waits for the user.
  // The work sets the process marker and then the plain one.
  ASSERT_TRUE(waitUntil(kStartTimeoutMs, [&] { return readStartupMarker(true, child.id()) == 1; }));
  EXPECT_TRUE(waitUntil(kStartTimeoutMs, [&] { return readStartupMarker(false) == 1; }));

  EXPECT_TRUE(saveWindowScreenshot(dialog, artefactPath(L"progress_dialog.bmp")));

  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kStartTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(readStartupMarker(false), -1);
  EXPECT_EQ(readStartupMarker(true, child.id()), -1);
}

TEST_F(LauncherSpine, FailedLastRunIsAskedOnANormalStartButNotWithQuietSplash) {
  {
    setPlainStartupMarker(1);
    LaunchSetup launch = setup(L"");
    ChildProcess child = startLauncher(launch);
    HWND question = messageBoxOf(child);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(windowText(question), launch.media.wide.at(payload::kMsgWizardTitle));
    EXPECT_NE(dialogText(question).find(launch.media.wide.at(payload::kMsgLastRunFailed)),
              std::wstring::npos);
    pressDialogButton(question, IDNO);
    EXPECT_EQ(cancelProgressDialog(child), 0u);
  }
  {
    // "-q -splash" shows the dialog, never asks, and still ends as a quiet start without a runtime.
    setPlainStartupMarker(1);
    LaunchSetup launch = setup(L"-q -splash");
    LaunchResult result = runToEnd(launch, kStartTimeoutMs);
    EXPECT_EQ(result.exitCode, 83u);
    EXPECT_FALSE(result.sawMessageBox);
    EXPECT_NE(result.standardOutput.find("no jre found"), std::string::npos);
  }
}

TEST_F(LauncherSpine, SwitchesAreCaseSensitive) {
  LaunchSetup launch = setup(L"-Q");
  ChildProcess child = startLauncher(launch);
  EXPECT_EQ(cancelProgressDialog(child), 0u) << "-Q is not -q: the start is not quiet";
}

TEST_F(LauncherSpine, ConsoleSwitchGetsAConsoleAndRunsQuietly) {
  // wine never attaches to the parent's console, so this takes the path that allocates one.
  LaunchSetup launch = setup(L"-c");
  LaunchResult result = runToEnd(launch, kStartTimeoutMs);
  EXPECT_EQ(result.exitCode, 83u);
  EXPECT_FALSE(result.sawMessageBox) << "no \"Could not allocate console\" box";
}

TEST_F(LauncherSpine, KeptLogSwitchCountsOnlyAsFirstArgumentAndPromptsWithProductTitle) {
  {
    LaunchSetup launch = setup(L"-create-drx-log");
    ChildProcess child = startLauncher(launch);
    HWND prompt = messageBoxOf(child);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(windowText(prompt), L"deployrix");
    pressDialogButton(prompt, IDNO);
    EXPECT_EQ(cancelProgressDialog(child), 0u);
    EXPECT_EQ(logFilesIn(launch).size(), 1u) << "the kept log stays after a normal end";
  }
  {
    LaunchSetup launch = setup(L"-x -create-drx-log");
    ChildProcess child = startLauncher(launch);
    // The prompt would come before the progress dialog and hold it back until answered; without a
    // runtime the dialog soon shows the runtime choice on top of itself, so look for the dialog
    // itself rather than for the first window.
    HWND dialog = progressDialogOf(child);
    ASSERT_NE(dialog, nullptr) << "no prompt: the switch is not the first argument";
    for (HWND window : visibleWindowsOf(child.id())) EXPECT_NE(windowText(window), L"deployrix");
    EXPECT_EQ(cancelProgressDialog(child), 0u);
    EXPECT_TRUE(logFilesIn(launch).empty()) << "not kept: deleted at the normal end";
  }
}

TEST_F(LauncherSpine, UnterminatedQuoteBeforePropertiesAreLoadedShowsWrongParameterUsage) {
  LaunchSetup launch = setup(L"\"-q");
  ChildProcess child = startLauncher(launch);
  HWND box = messageBoxOf(child);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(dialogText(box).rfind(L"Wrong Parameter Usage", 0), 0u) << dialogText(box);
  pressDialogButton(box, IDOK);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kStartTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 1u);
}

TEST_F(LauncherSpine, RebootWordFollowedByMoreIsAnOrdinaryStart) {
  LaunchSetup launch = setup(L"__drx_reboot -q");
  LaunchResult result = runToEnd(launch, kStartTimeoutMs);
  EXPECT_EQ(result.exitCode, 83u);
}

TEST_F(LauncherSpine, NoProgressDialogWorksOnTheMainThreadAndOpensTheDialogOnlyToHostTheRuntimeChoice) {
  LaunchSetup launch = setup(L"");
  launch.media.narrow[payload::kNoProgressDialog] = "1";
  launch.keepLog = true;
  ChildProcess child = startLauncher(launch);
  HWND dialog = progressDialogOf(child);
  ASSERT_NE(dialog, nullptr);
  // Extraction already happened on the main thread before any dialog existed, and the markers
  // carry no process marker without a dialog of the work's own.
  const std::string log = readLog(launch);
  EXPECT_NE(log.find("Current working dir: "), std::string::npos) << log;
  EXPECT_EQ(readStartupMarker(false), 1);
  EXPECT_EQ(readStartupMarker(true, child.id()), -1);
  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kStartTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// A media file cut inside its second included file: the first already lies in a subfolder.
TEST_F(LauncherSpine, ExtractionCutInsideTheSecondFileShowsCorruptionAndLeavesNothingBehind) {
  LaunchSetup launch = setup(L"");
  launch.media.verify = false;  // the cut must reach extraction, not the integrity check
  launch.media.files = {{"lib\\a.jar", std::string(5000, 'a')}, {"b.bin", std::string(10000, 'b')}};
  ASSERT_TRUE(writeMediaFile(launch.media, launch.mediaPath));
  std::string bytes = readFileBytes(launch.mediaPath);
  bytes.resize(bytes.size() - 100);
  {
    FileHandle file(
        CreateFileW(launch.mediaPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD wrote = 0;
    ASSERT_TRUE(file &&
                WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr));
  }
  ChildOptions options;
  options.commandLine = L"\"" + launch.mediaPath + L"\"";
  options.workingDirectory = launch.directory;
  options.environment = {{L"TMP", launch.temporaryPath}, {L"TEMP", launch.temporaryPath}};
  ChildProcess child(options);
  ASSERT_TRUE(child.running());
  HWND box = messageBoxOf(child);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(dialogText(box), launch.media.wide.at(20016));
  pressDialogButton(box, IDOK);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kStartTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 1u);
  std::wstring left;
  for (const std::wstring& name : temporaryLeftovers(launch)) left += name + L" ";
  EXPECT_EQ(left, L"") << "the temporary folder keeps what the failed extraction wrote";
}

}  // namespace
}  // namespace drx::test
