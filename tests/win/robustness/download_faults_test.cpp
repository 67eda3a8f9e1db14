// A runtime download from a server that misbehaves: it stalls before or inside the body, resets the
// connection, or sends less than its length. The launcher must show its download failure and end.
#include <gtest/gtest.h>

#include "standin_host.h"
#include "tests/win/launcher/runtime/loopback_http_server.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"

namespace drx::test {
namespace {

constexpr int32_t kJreDownloadUrlId = 150;
constexpr int32_t kDownloadWithoutAskingId = 157;
constexpr int32_t kLauncherTypeId = 107;
constexpr wchar_t kDownloadFailed[] = L"The download of the Java runtime failed.";
// Far beyond the launcher's stall limit (30 s): a run still going then has hung.
constexpr DWORD kFaultTimeoutMs = 120000;

bool isMessageBox(HWND window) { return windowClassName(window) == L"#32770"; }

struct FaultCase {
  const char* name;
  HttpAnswer answer;
  const char* logLine;  // the error line that names the failed step
};

TEST(DownloadFaults, MisbehavingServerEndsWithTheDownloadFailure) {
  const FaultCase cases[] = {
      {"stall before any answer", HttpAnswer::kStall,
       "ERROR: Download stalled: nothing arrived for 30 seconds"},
      {"stall inside the body", HttpAnswer::kStallAfterPart,
       "ERROR: Download stalled: nothing arrived for 30 seconds"},
      // WinINet meets the reset at the open, at the first length query (whose retry then fails to
      // open again: "InternetOpenUrl 2 failed"), or hands out a request without any status line
      // ("InternetOpenUrl brought no HTTP answer"); which one depends on timing.
      {"reset before any answer", HttpAnswer::kReset, "ERROR: InternetOpenUrl"},
      {"reset inside the body", HttpAnswer::kResetAfterPart,
       "ERROR: InternetReadFile failed with error code "},
      {"less than the length", HttpAnswer::kCutShort, "ERROR: InternetReadFile failed with error code "},
  };
  ScratchDirectory scratch(L"dlf");
  for (const FaultCase& fault : cases) {
    SCOPED_TRACE(fault.name);
    clearStartupMarkers();
    LoopbackHttpServer server(fault.answer, std::string(300000, 'x'));
    ASSERT_TRUE(server.listening());
    RuntimeLaunch launch(scratch);
    auto& media = launch.setup.media;
    media.wide[20001] = L"Downloading a Java runtime\u2026";
    media.wide[20003] = kDownloadFailed;
    media.wide[20008] = L"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s";
    media.wide[20009] = L"Connecting\u2026";
    media.narrow[kJreDownloadUrlId] = server.url();
    media.narrow[kDownloadWithoutAskingId] = "1";
    media.narrow[kLauncherTypeId] = "1";  // errors in message boxes
    ChildProcess child = startLauncher(launch.setup);
    ASSERT_TRUE(child.running());

    const ULONGLONG start = GetTickCount64();
    HWND box = waitForWindow(child.id(), kFaultTimeoutMs, isMessageBox);
    if (!box) {
      ADD_FAILURE() << "no message box within " << kFaultTimeoutMs << " ms; log:\n" << launch.log();
      continue;
    }
    const std::wstring text = dialogText(box);
    pressDialogButton(box, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
    printf("%s: fatal message after %.1f s\n", fault.name, (GetTickCount64() - start) / 1000.0);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_NE(text.find(kDownloadFailed), std::wstring::npos) << standin::narrow(text);
    EXPECT_TRUE(contains(launch.log(), fault.logLine)) << launch.log();
  }
  clearStartupMarkers();
}

}  // namespace
}  // namespace drx::test
