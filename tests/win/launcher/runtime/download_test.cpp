// End-to-end tests of the runtime download and the choice dialog: a launcher without any runtime,
// a loopback HTTP server started by the test, and the dialogs driven like a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include "launcher/resources/resource_ids.h"
#include "standin_host.h"
#include "tests/win/launcher/runtime/loopback_http_server.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"
#include "tests/support/cng_sha256/cng_sha256.h"

namespace drx::test {
namespace {

constexpr int32_t kMinJavaVersionId = 126;
constexpr int32_t kJreDownloadUrlId = 150;
constexpr int32_t kDownloadWithoutAskingId = 157;
constexpr int32_t kLauncherTypeId = 107;
constexpr int32_t kJreDownloadSha256Id = 162;
constexpr int kFileNameCombo = 0x47c;  // the file dialog's name field
constexpr const char* kLocatedKey = "SOFTWARE\\morvenic\\lanqo\\locatedjvms";
#ifdef _WIN64
constexpr const wchar_t* kWidth = L"64";
#else
constexpr const wchar_t* kWidth = L"32";
#endif

// A stand-in runtime whose main ends the process, so a start that reaches it ends by itself.
standin::RuntimeSpec exitingRuntime() {
  standin::RuntimeSpec plan;
  plan.config = "jvm.main.action=exit 0\n";
  return plan;
}

bool isChoiceDialog(HWND window) { return GetDlgItem(window, IDC_LOCATE) != nullptr; }
bool isMessageBox(HWND window) {
  return windowClassName(window) == L"#32770" && !isChoiceDialog(window) &&
         !GetDlgItem(window, kFileNameCombo);
}

class RuntimeDownload : public testing::Test {
 protected:
  void SetUp() override { clearStartupMarkers(); }
  void TearDown() override { clearStartupMarkers(); }

  void addTexts(RuntimeLaunch& launch) {
    auto& wide = launch.setup.media.wide;
    wide[20001] = L"Downloading a Java runtime\u2026";
    wide[20002] = L"WinINet is missing.";
    wide[20003] = L"The download of the Java runtime failed.";
    wide[20004] = L"Where is java.exe?";
    wide[20005] = L"No %S-bit Java runtime was found. Download one or locate it.";
    wide[20006] = L"No %S-bit Java runtime was found. Please locate it.";
    wide[20008] = L"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s";
    wide[20009] = L"Connecting\u2026";
    wide[20010] = L"Down&load";
    wide[20011] = L"L&ocate";
    wide[20019] = L"m\u00ednimum";
    wide[20020] = L"maximum";
  }

  // A start that downloads from server without asking.
  RuntimeLaunch downloadingLaunch(const LoopbackHttpServer& server) {
    RuntimeLaunch launch(scratch_);
    addTexts(launch);
    launch.setup.media.narrow[kJreDownloadUrlId] = server.url();
    launch.setup.media.narrow[kDownloadWithoutAskingId] = "1";
    launch.setup.media.narrow[kLauncherTypeId] = "1";  // a GUI launcher: errors in message boxes
    return launch;
  }

  // Waits for the fatal message box, returns its text and confirms it; the launcher must then end with 1.
  std::wstring confirmFatalMessage(ChildProcess& child, const RuntimeLaunch& launch,
                                   DWORD timeoutMs = kRunTimeoutMs) {
    HWND box = waitForWindow(child.id(), timeoutMs, isMessageBox);
    if (!box) {
      std::string windows;
      for (HWND window : visibleWindowsOf(child.id()))
        windows +=
            standin::narrow(windowClassName(window)) + " '" + standin::narrow(windowText(window)) + "' ";
      DWORD exitCode = 12345;
      child.waitForExit(0, exitCode);
      ADD_FAILURE() << "no message box; exit code " << exitCode
                    << "; stderr: " << readFileBytes(launch.setup.stderrPath) << "; windows: " << windows
                    << "\nlog:\n"
                    << launch.log();
      return std::wstring();
    }
    const std::wstring text = dialogText(box);
    pressDialogButton(box, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1u);
    return text;
  }

  void locateAndRun(const char* noProgressDialog);

  ScratchDirectory scratch_{L"dl"};
};

TEST_F(RuntimeDownload, DownloadedArchiveIsSavedUnpackedAndUsed) {
  const std::string archive = runtimeArchive(scratch_, exitingRuntime(), "");
  LoopbackHttpServer server(HttpAnswer::kWithLength, archive);
  ASSERT_TRUE(server.listening());
  RuntimeLaunch launch = downloadingLaunch(server);
  const LaunchResult result = runToEnd(launch.setup, kRunTimeoutMs);
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 0u) << result.standardError;
  const std::string log = launch.log();
  EXPECT_TRUE(contains(log, "Download location: " + server.url())) << log;
  EXPECT_TRUE(contains(log, "Downloading JRE"));
  EXPECT_TRUE(contains(log, "file size: " + std::to_string(archive.size()) + ", handle "));
  EXPECT_TRUE(contains(log, "download successful"));
  EXPECT_TRUE(contains(log, "untaring JRE was successful"));
  EXPECT_EQ(launch.report().count("jvm.main"), 1u);
  EXPECT_FALSE(launch.workingFileExists(L"jre.tar.gz"));
  EXPECT_TRUE(launch.workingFileExists(L"jre\\bin\\client\\jvm.dll"));
}

// Cancel while the archive still arrives over a slow line: exit code 0, nothing shown, and
// neither the half-written archive nor the temporary directory stays.
TEST_F(RuntimeDownload, CancelDuringTheDownloadEndsWithZeroAndLeavesNothingBehind) {
  LoopbackHttpServer server(HttpAnswer::kTrickle, std::string(4 << 20, 'x'));
  ASSERT_TRUE(server.listening());
  RuntimeLaunch launch = downloadingLaunch(server);
  ChildProcess child = startLauncher(launch.setup);
  HWND dialog = waitForWindow(child.id(), kRunTimeoutMs,
                              [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
  ASSERT_NE(dialog, nullptr);
  // The status line shows the progress once the first pieces are written.
  ASSERT_TRUE(waitUntil(kRunTimeoutMs, [&] {
    return dialogItemText(dialog, IDC_STATUS_LINE).find(L" MB of ") != std::wstring::npos;
  })) << launch.log();
  EXPECT_TRUE(launch.workingFileExists(L"jre.tar.gz"));

  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(readFileBytes(launch.setup.stderrPath), "");
  EXPECT_TRUE(temporaryLeftovers(launch.setup).empty()) << launch.log();
  EXPECT_TRUE(contains(launch.log(), "Canceled installer"));
}

// Cancel while the server has gone silent, the case a user cancels for: the read cannot be
// interrupted, so the end comes with the stall limit, still with exit code 0 and no error shown.
TEST_F(RuntimeDownload, CancelDuringAStalledDownloadEndsWithZeroWithoutTheFailureMessage) {
  LoopbackHttpServer server(HttpAnswer::kStallAfterPart, std::string(4 << 20, 'x'));
  ASSERT_TRUE(server.listening());
  RuntimeLaunch launch = downloadingLaunch(server);
  ChildProcess child = startLauncher(launch.setup);
  HWND dialog = waitForWindow(child.id(), kRunTimeoutMs,
                              [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(waitUntil(kRunTimeoutMs, [&] { return contains(launch.log(), "file size: "); }))
      << launch.log();

  pressDialogButton(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode)) << launch.log();
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(readFileBytes(launch.setup.stderrPath), "");
  EXPECT_EQ(readStartupMarker(false), -1);
  EXPECT_FALSE(contains(launch.log(), "Download stalled")) << launch.log();
}

TEST_F(RuntimeDownload, EmptyDownloadIsSavedAndThenReportedAsCorrupted) {
  LoopbackHttpServer server(HttpAnswer::kWithLength, std::string());
  RuntimeLaunch launch = downloadingLaunch(server);
  ChildProcess child = startLauncher(launch.setup);
  ASSERT_TRUE(child.running());
  const std::wstring text = confirmFatalMessage(child, launch);
  EXPECT_NE(text.find(L"The bundled JRE is corrupted."), std::wstring::npos) << standin::narrow(text);
  const std::string log = launch.log();
  EXPECT_TRUE(contains(log, "file size: 0, handle ")) << log;
  EXPECT_TRUE(contains(log, "download successful"));
  EXPECT_TRUE(contains(log, "ERROR: Could not untar JRE"));
}

TEST_F(RuntimeDownload, ServerWithoutLengthIsAskedTwentyTimesThenGivenUp) {
  LoopbackHttpServer server(HttpAnswer::kWithoutLength, "some bytes");
  RuntimeLaunch launch = downloadingLaunch(server);
  ChildProcess child = startLauncher(launch.setup);
  ASSERT_TRUE(child.running());
  const std::wstring text = confirmFatalMessage(child, launch);
  EXPECT_NE(text.find(launch.setup.media.wide.at(20003)), std::wstring::npos) << standin::narrow(text);
  const std::string log = launch.log();
  for (int attempt = 1; attempt <= 20; ++attempt) {
    EXPECT_TRUE(
        contains(log, "ERROR: HttpQueryInfo (try " + std::to_string(attempt) + ") failed with error code "))
        << attempt;
  }
  EXPECT_FALSE(contains(log, "HttpQueryInfo (try 21)"));
  EXPECT_TRUE(contains(log, "ERROR: Giving up"));
  EXPECT_EQ(server.requests(), 21);
}

TEST_F(RuntimeDownload, ConnectionEndingEarlyFailsInsteadOfWaiting) {
  LoopbackHttpServer server(HttpAnswer::kCutShort, std::string(200000, 'x'));
  RuntimeLaunch launch = downloadingLaunch(server);
  ChildProcess child = startLauncher(launch.setup);
  ASSERT_TRUE(child.running());
  const std::wstring text = confirmFatalMessage(child, launch);
  EXPECT_NE(text.find(launch.setup.media.wide.at(20003)), std::wstring::npos) << standin::narrow(text);
  EXPECT_TRUE(contains(launch.log(), "ERROR: InternetReadFile failed with error code ")) << launch.log();
}

// An answer other than 200 is a failed download, whatever its body: here even a valid runtime
// archive, which must not be saved, unpacked or started.
TEST_F(RuntimeDownload, StatusOtherThanOkFailsTheDownload) {
  const std::string archive = runtimeArchive(scratch_, exitingRuntime(), "");
  struct Case {
    HttpAnswer answer;
    const char* status;
  };
  for (const Case& c : {Case{HttpAnswer::kNotFound, "404"}, Case{HttpAnswer::kServerError, "500"}}) {
    SCOPED_TRACE(c.status);
    clearStartupMarkers();  // a failed start leaves the marker that asks about the last run
    LoopbackHttpServer server(c.answer, archive);
    ASSERT_TRUE(server.listening());
    RuntimeLaunch launch = downloadingLaunch(server);
    ChildProcess child = startLauncher(launch.setup);
    ASSERT_TRUE(child.running());
    const std::wstring text = confirmFatalMessage(child, launch);
    EXPECT_NE(text.find(launch.setup.media.wide.at(20003)), std::wstring::npos) << standin::narrow(text);
    const std::string log = launch.log();
    EXPECT_TRUE(contains(log, std::string("ERROR: The server answered with HTTP status ") + c.status)) << log;
    EXPECT_FALSE(contains(log, "download successful"));
    EXPECT_FALSE(launch.workingFileExists(L"jre.tar.gz"));
    EXPECT_EQ(launch.report().count("jvm.main"), 0u);
    EXPECT_EQ(server.requests(), 1);
  }
}

// With jreDownloadSha256 in the media file, only the archive with that digest is unpacked; any
// other (or a digest that is no SHA-256) is deleted and reported as a corrupted runtime.
TEST_F(RuntimeDownload, ArchiveMustMatchTheConfiguredDigest) {
  const std::string archive = runtimeArchive(scratch_, exitingRuntime(), "");
  const std::string genuine = drx::test::cngSha256(archive);
  ASSERT_EQ(genuine.size(), 64u);
  std::string upperCase = genuine;
  for (char& c : upperCase) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string other = drx::test::cngSha256(archive + "x");
  struct Case {
    std::string digest;
    bool accepted;
    std::string logLine;
  };
  const Case cases[] = {
      {genuine, true, "SHA-256 of the downloaded JRE: " + genuine},
      {upperCase, true, "SHA-256 of the downloaded JRE: " + genuine},
      {other, false, "ERROR: SHA-256 of the downloaded JRE is " + genuine + ", expected " + other},
      {genuine.substr(1), false, "ERROR: jreDownloadSha256 is not a SHA-256 digest: " + genuine.substr(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digest);
    clearStartupMarkers();
    LoopbackHttpServer server(HttpAnswer::kWithLength, archive);
    ASSERT_TRUE(server.listening());
    RuntimeLaunch launch = downloadingLaunch(server);
    launch.setup.media.narrow[kJreDownloadSha256Id] = c.digest;
    if (c.accepted) {
      const LaunchResult result = runToEnd(launch.setup, kRunTimeoutMs);
      EXPECT_TRUE(result.finished);
      EXPECT_EQ(result.exitCode, 0u) << result.standardError;
      EXPECT_EQ(launch.report().count("jvm.main"), 1u);
    } else {
      ChildProcess child = startLauncher(launch.setup);
      ASSERT_TRUE(child.running());
      const std::wstring text = confirmFatalMessage(child, launch);
      EXPECT_NE(text.find(L"The bundled JRE is corrupted."), std::wstring::npos) << standin::narrow(text);
      ASSERT_FALSE(launch.workingDirectory().empty());
      EXPECT_FALSE(launch.workingFileExists(L"jre.tar.gz")) << "the rejected archive was left behind";
      EXPECT_FALSE(launch.workingFileExists(L"jre\\bin")) << "the rejected archive was unpacked";
      EXPECT_EQ(launch.report().count("jvm.main"), 0u);
    }
    const std::string log = launch.log();
    EXPECT_TRUE(contains(log, "download successful")) << log;
    EXPECT_TRUE(contains(log, c.logLine)) << log;
    EXPECT_EQ(contains(log, "untaring JRE was successful"), c.accepted);
  }
}

TEST_F(RuntimeDownload, ChoiceDialogShowsItsTextsAndCancelExitsWithOneWithoutMarkers) {
  struct Case {
    const char* url;
    int32_t textId;
    bool downloadVisible;
  };
  for (const Case& c : {Case{"http://127.0.0.1:9/jre.tar.gz", 20005, true}, Case{"", 20006, false}}) {
    RuntimeLaunch launch(scratch_);
    addTexts(launch);
    launch.setup.media.narrow[kJreDownloadUrlId] = c.url;
    launch.setup.media.narrow[kMinJavaVersionId] = "1.5";
    ChildProcess child = startLauncher(launch.setup);
    ASSERT_TRUE(child.running());
    HWND choice = waitForWindow(child.id(), kRunTimeoutMs, isChoiceDialog);
    ASSERT_NE(choice, nullptr);

    std::wstring expected = launch.setup.media.wide.at(c.textId);
    expected.replace(expected.find(L"%S"), 2, kWidth);
    expected += L" (" + launch.setup.media.wide.at(20019) + L" 1.5)";
    EXPECT_EQ(dialogItemText(choice, IDC_MESSAGE), expected);
    EXPECT_EQ(windowText(choice), launch.setup.media.wide.at(payload::kMsgWizardTitle));
    EXPECT_EQ(dialogItemText(choice, IDC_DOWNLOAD), L"Down&load");
    EXPECT_EQ(dialogItemText(choice, IDC_LOCATE), L"L&ocate");
    EXPECT_EQ(dialogItemText(choice, IDCANCEL), launch.setup.media.wide.at(payload::kTextCancelButton));
    EXPECT_EQ(IsWindowVisible(GetDlgItem(choice, IDC_DOWNLOAD)) != FALSE, c.downloadVisible);
    EXPECT_EQ(readStartupMarker(false), 1);
    if (c.downloadVisible) saveWindowScreenshot(choice, artefactPath(L"runtime_choice_dialog.bmp"));

    pressDialogButton(choice, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(readStartupMarker(false), -1);
    EXPECT_EQ(readStartupMarker(true, child.id()), -1);
  }
}

TEST_F(RuntimeDownload, LocatedJavaExecutableIsLoadedAndRemembered) {
  // Also when the progress dialog exists only to host the choice: the picked runtime still starts.
  for (const char* noProgressDialog : {"", "1"}) {
    SCOPED_TRACE(noProgressDialog);
    locateAndRun(noProgressDialog);
  }
}

void RuntimeDownload::locateAndRun(const char* noProgressDialog) {
  clearStartupMarkers();  // a start that reached the Java side leaves the plain marker for it
  static int counter = 0;
  const std::wstring installed = scratch_.file(L"picked" + std::to_wstring(++counter));
  ASSERT_TRUE(standin::layOutRuntime(installed, exitingRuntime()));
  const std::wstring javaExe = installed + L"\\bin\\java.exe";
  RuntimeLaunch launch(scratch_);
  addTexts(launch);
  launch.setup.media.narrow[payload::kNoProgressDialog] = noProgressDialog;
  ChildProcess child = startLauncher(launch.setup);
  ASSERT_TRUE(child.running());
  HWND choice = waitForWindow(child.id(), kRunTimeoutMs, isChoiceDialog);
  ASSERT_NE(choice, nullptr) << launch.log();
  PostMessageW(choice, WM_COMMAND, MAKEWPARAM(IDC_LOCATE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(choice, IDC_LOCATE)));
  HWND picker = waitForWindow(child.id(), kRunTimeoutMs,
                              [](HWND window) { return GetDlgItem(window, kFileNameCombo) != nullptr; });
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(windowText(picker), L"Where is java.exe?");
  SetDlgItemTextW(picker, kFileNameCombo, javaExe.c_str());
  pressDialogButton(picker, IDOK);

  DWORD exitCode = 99;
  ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(launch.report().count("jvm.main"), 1u) << launch.log();

  std::string keyName = standin::narrow(javaExe);
  for (char& c : keyName) {
    if (c == '\\') c = '/';
  }
  bool registered = false;
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const std::string key = std::string(kLocatedKey) + "\\" + keyName;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
      registered = true;
      RegCloseKey(opened);
      RegDeleteKeyA(hive, key.c_str());
    }
  }
  EXPECT_TRUE(registered) << keyName;
}

}  // namespace
}  // namespace drx::test
