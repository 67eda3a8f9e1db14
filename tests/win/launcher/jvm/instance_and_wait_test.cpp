// The start-up wait hiding the progress dialog once Java runs, and one running copy per
// launcher file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "launch_fixture.h"
#include "launcher/resources/resource_ids.h"

namespace drx::test {
namespace {

constexpr DWORD kTimeoutMs = 30000;

HWND progressDialogOf(const ChildProcess& child) {
  return waitForWindow(child.id(), kTimeoutMs,
                       [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
}

// With the dialog: the work thread runs Java; the wait thread hides the dialog, then the
// scripted main ends the process with 7.
void expectDialogHiddenWhileJavaRuns(LauncherLaunch& fixture, const std::string& script,
                                     const char* expectedLogLine) {
  standin::RuntimeSpec runtime;
  runtime.config = script + "jvm.main.action=sleep 3000\njvm.main.action=exit 7\n";
  LaunchSetup launch = fixture.setupWithRuntime(L"", runtime);
  launch.media.narrow.erase(payload::kNoProgressDialog);
  launch.keepLog = true;
  ChildProcess child = startLauncher(launch);
  HWND dialog = progressDialogOf(child);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(waitUntil(kTimeoutMs, [&] { return !IsWindowVisible(dialog); })) << "the dialog stays visible";
  DWORD exitCode = 0;
  ASSERT_TRUE(child.waitForExit(kTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 7u) << "the Java side ends the process";
  const std::string log = readLog(launch);
  EXPECT_NE(log.find("Java window visible"), std::string::npos) << log;
  EXPECT_NE(log.find(expectedLogLine), std::string::npos) << log;
  EXPECT_EQ(readStartupMarker(true, child.id()), -1) << "the wait removes the process marker";
}

TEST_F(LauncherLaunch, ProgressDialogHidesOnceJavaShowsAWindow) {
  expectDialogHiddenWhileJavaRuns(*this, "jvm.main.action=window 10000 Java side\n", "calling main");
}

TEST_F(LauncherLaunch, ProgressDialogHidesOnceJavaWritesTwoIntoTheProcessMarker) {
  expectDialogHiddenWhileJavaRuns(*this, "jvm.main.action=marker\n", "calling main");
}

// Starts the media file at path (as written) with no runtime to find: it waits in its dialog.
ChildProcess startWaiting(LaunchSetup& launch, const std::wstring& path) {
  ChildOptions options;
  options.commandLine = L"\"" + path + L"\"";
  options.workingDirectory = launch.directory;
  options.environment = {{L"TMP", launch.temporaryPath}, {L"TEMP", launch.temporaryPath}};
  return ChildProcess(options);
}

DWORD exitCodeWithin(ChildProcess& child, DWORD timeoutMs) {
  DWORD exitCode = 99;
  return child.waitForExit(timeoutMs, exitCode) ? exitCode : 98;
}

TEST_F(LauncherLaunch, SecondCopyOfALauncherFileRestoresTheFirstAndEndsWithZero) {
  clearStartupMarkers();
  LaunchSetup launch(scratch_);
  ASSERT_TRUE(writeMediaFile(launch.media, launch.mediaPath));
  ChildProcess first = startWaiting(launch, launch.mediaPath);
  HWND dialog = progressDialogOf(first);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_MINIMIZE);
  ASSERT_TRUE(waitUntil(kTimeoutMs, [&] { return IsIconic(dialog) != 0; }));

  ChildProcess second = startWaiting(launch, launch.mediaPath);
  EXPECT_EQ(exitCodeWithin(second, kTimeoutMs), 0u);
  EXPECT_TRUE(waitUntil(kTimeoutMs, [&] { return IsIconic(dialog) == 0; }))
      << "the first copy stays minimised";

  // The same file under another letter case is the same instance.
  std::wstring shouted = launch.mediaPath;
  for (wchar_t& c : shouted) c = static_cast<wchar_t>(std::towupper(c));
  ChildProcess third = startWaiting(launch, shouted);
  EXPECT_EQ(exitCodeWithin(third, kTimeoutMs), 0u);

  // A copy of the file elsewhere is another instance and runs beside the first.
  LaunchSetup elsewhere(scratch_);
  ASSERT_TRUE(writeMediaFile(elsewhere.media, elsewhere.mediaPath));
  ChildProcess other = startWaiting(elsewhere, elsewhere.mediaPath);
  // The first copy's start is still under way, so the plain marker makes this one ask first.
  HWND question = waitForWindow(other.id(), kTimeoutMs);
  ASSERT_NE(question, nullptr);
  if (windowClassName(question) == L"#32770") pressDialogButton(question, IDNO);
  HWND otherDialog = progressDialogOf(other);
  EXPECT_NE(otherDialog, nullptr) << "a copy in another folder must not be stopped";
  if (otherDialog) pressDialogButton(otherDialog, IDCANCEL);
  EXPECT_EQ(exitCodeWithin(other, kTimeoutMs), 0u);

  pressDialogButton(dialog, IDCANCEL);
  EXPECT_EQ(exitCodeWithin(first, kTimeoutMs), 0u);
}

TEST_F(LauncherLaunch, LanguageRestartIsNotBlockedByTheRunningInstance) {
  clearStartupMarkers();
  LaunchSetup launch(scratch_);
  ASSERT_TRUE(writeMediaFile(launch.media, launch.mediaPath));
  ChildProcess first = startWaiting(launch, launch.mediaPath);
  HWND dialog = progressDialogOf(first);
  ASSERT_NE(dialog, nullptr);

  // The restart is quiet and, with no runtime to find, ends as a quiet start without one.
  ChildOptions options;
  options.commandLine = L"\"" + launch.mediaPath + L"\" __drx_lang_restart";
  options.workingDirectory = launch.temporaryPath;
  options.environment = {{L"TMP", launch.temporaryPath}, {L"TEMP", launch.temporaryPath}};
  ChildProcess restart(options);
  EXPECT_EQ(exitCodeWithin(restart, kTimeoutMs), 83u);

  pressDialogButton(dialog, IDCANCEL);
  EXPECT_EQ(exitCodeWithin(first, kTimeoutMs), 0u);
}

}  // namespace
}  // namespace drx::test
