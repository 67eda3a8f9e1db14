// The download flow: the choice between downloading a runtime archive and picking java.exe, and
// the HTTP transfer of the archive through WinINet into "jre.tar.gz".
#include <cstdio>
#include <memory>
#include <string>

#include "common/payload/property_ids.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/resources/resource_ids.h"
#include "launcher/run_end.h"
#include "launcher/runtime/archive_digest.h"
#include "launcher/runtime/choice_dialog.h"
#include "launcher/runtime/download_watchdog.h"
#include "launcher/runtime/included_runtime.h"
#include "launcher/runtime/portable/dialog_text.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/runtime/wininet_binding.h"
#include "launcher/startup_state.h"
#include "launcher/ui/progress_bar.h"
#include "launcher/ui/wide_text.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

constexpr const char* kAgentName = "deployrix download agent";
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE;  // 0x0C000000
constexpr int kLengthAttempts = 20;
constexpr DWORD kLengthRetryPauseMs = 300;
constexpr DWORD kReadChunk = 16384;
constexpr DWORD kStatusIntervalMs = 500;
constexpr double kMegabyte = 1048576.0;

bool locatedByHand = false;

HINTERNET openUrl(HINTERNET root, const char* address) {
  return winInet().openUrl(root, address, nullptr, 0, kOpenUrlFlags, 0);
}

void showStatus(HWND dialog, DWORD received, DWORD length, DWORD elapsedMs) {
  const double values[4] = {
      received / kMegabyte,
      length / kMegabyte,
      length ? received * 100.0 / length : 100.0,
      // Bytes per millisecond; the first chunk may arrive within the same tick.
      received / static_cast<double>(elapsedMs ? elapsedMs : 1),
  };
  const std::wstring line = formatStatusLine(getWideProperty(kTextTransferStatus), values);
  setDialogItemTextWide(dialog, IDC_STATUS_LINE, line.c_str());
  setProgressPosition(dialog,
                      length ? static_cast<int>(static_cast<float>(received) / length * 100.0f) : 100);
}

// Anything but 200 is no runtime archive: an error page saved as "jre.tar.gz" would only be
// reported later as a corrupted runtime, hiding that the download itself failed.
bool answeredOk(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!winInet().queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                           nullptr)) {
    logErrorLine("HttpQueryInfo for the status failed with error code %d", static_cast<int>(GetLastError()));
    return false;
  }
  if (status == HTTP_STATUS_OK) return true;
  // WinINet can hand out a request whose connection was reset before the status line arrived.
  if (status == 0) {
    logErrorLine("InternetOpenUrl brought no HTTP answer: the connection ended before the status line");
    return false;
  }
  logErrorLine("The server answered with HTTP status %d", static_cast<int>(status));
  return false;
}

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};

bool transfer(HWND dialog, InternetHandle& root, InternetHandle& request, DWORD length,
              const char* destination, DownloadWatchdog& watchdog) {
  logLine("file size: %d, handle %p", static_cast<int>(length), static_cast<void*>(request.get()));
  // Declared before the file, so a cancelled download closes the file before the thread parks.
  CancelGuardedStep scope;
  std::unique_ptr<FILE, FileCloser> file(fopen(destination, "wb"));
  if (!file) {
    logErrorLine("opening the destination file %s failed with error code %d", destination,
                 static_cast<int>(GetLastError()));
    return false;
  }
  const DWORD start = GetTickCount();
  DWORD received = 0;
  DWORD lastUpdate = 0;
  const std::unique_ptr<char[]> storage(new char[kReadChunk]);
  char* const buffer = storage.get();
  while (received < length) {
    if (runCancelled()) return false;
    const DWORD want = length - received < kReadChunk ? length - received : kReadChunk;
    DWORD count = 0;
    // A read that brings nothing before the announced length means the server closed early:
    // asking again would only bring nothing again.
    if (!winInet().readFile(request.get(), buffer, want, &count) || count == 0) {
      logErrorLine("InternetReadFile failed with error code %d", static_cast<int>(GetLastError()));
      return false;
    }
    watchdog.activity();
    if (fwrite(buffer, 1, count, file.get()) < count) {
      const int error = static_cast<int>(GetLastError());
      file.reset();
      DeleteFileA(destination);
      request.reset();
      root.reset();
      logErrorLine("writing the destination file %s failed with error code %d", destination, error);
      return false;
    }
    received += count;
    const DWORD now = GetTickCount();
    if (now - lastUpdate > kStatusIntervalMs) {
      lastUpdate = now;
      showStatus(dialog, received, length, now - start);
    }
  }
  if (fclose(file.release()) != 0) {
    logErrorLine("writing the destination file %s failed with error code %d", destination,
                 static_cast<int>(GetLastError()));
    return false;
  }
  request.reset();
  root.reset();
  logLine("download successful");
  return true;
}

bool fetch(HWND dialog, const char* address, const char* destination, DownloadWatchdog& watchdog) {
  setDialogItemTextWide(dialog, IDC_STATUS_LINE, getWideProperty(kTextConnecting));
  const DWORD attempt = winInet().attemptConnect(0);
  if (attempt != 0) logErrorLine("InternetAttemptConnect returned %d", static_cast<int>(attempt));

  InternetHandle root(winInet().open(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!root) {
    logErrorLine("InternetOpen failed with error code %d", static_cast<int>(GetLastError()));
    return false;
  }
  InternetHandle request(openUrl(root.get(), address));
  watchdog.activity();
  if (!request) {
    logErrorLine("InternetOpenUrl failed with error code %d", static_cast<int>(GetLastError()));
    return false;
  }
  if (!answeredOk(request.get())) return false;
  DWORD length = 0;
  for (int attemptNumber = 1;; ++attemptNumber) {
    DWORD size = sizeof length;
    if (winInet().queryInfo(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                            nullptr)) {
      break;
    }
    logErrorLine("HttpQueryInfo (try %d) failed with error code %d", attemptNumber,
                 static_cast<int>(GetLastError()));
    Sleep(kLengthRetryPauseMs);
    request.reset(openUrl(root.get(), address));
    watchdog.activity();
    if (!request) {
      logErrorLine("InternetOpenUrl 2 failed with error code %d", static_cast<int>(GetLastError()));
      return false;
    }
    if (!answeredOk(request.get())) return false;
    if (attemptNumber == kLengthAttempts) {
      logErrorLine("Giving up");
      return false;
    }
  }
  return transfer(dialog, root, request, length, destination, watchdog);
}

RunFailure downloadRuntime(HWND dialog, const char* address) {
  setDialogItemTextWide(dialog, IDC_MESSAGE, getWideProperty(kTextDownloading));
  setDialogItemTextWide(dialog, IDCANCEL, getWideProperty(kTextCancelButton));
  ShowWindow(GetDlgItem(dialog, IDC_STATUS_LINE), SW_SHOW);
  if (!bindWinInet()) return wideMessageFailure(kTextInternetUnavailable);
  bool fetched = false;
  {
    DownloadWatchdog watchdog;
    fetched = fetch(dialog, address, kRuntimeArchiveName, watchdog);
  }
  if (!fetched) return wideMessageFailure(kTextDownloadFailed);
  if (!downloadedArchiveIsGenuine(kRuntimeArchiveName)) {
    DeleteFileA(kRuntimeArchiveName);
    return failureOf(FailureKind::kRuntimeCorrupted);
  }
  ShowWindow(GetDlgItem(dialog, IDC_STATUS_LINE), SW_HIDE);
  return {};
}

}  // namespace

RunFailure runDownloadFlow(HWND dialog, bool& ready) {
  const char* address = getProperty(kJreDownloadUrl);
  const bool offered = address[0] != '\0';
  logLine("Download location: %s", address);
  ready = false;
  INT_PTR choice = 0;
  if (getIntProperty(kDownloadWithoutAsking) != 0 ||
      (choice = showChoiceDialog(dialog, offered)) == IDC_DOWNLOAD) {
    logLine("Downloading JRE");
    if (RunFailure failure = downloadRuntime(dialog, address)) return failure;
    logLine("Done");
    startupState().runtimeIncluded = true;
    ready = true;
  } else if (choice == IDC_LOCATE) {
    locatedByHand = true;
    ready = true;
  }
  if (getIntProperty(kNoProgressDialog) != 0) EndDialog(dialog, 0);
  return {};
}

bool runtimeLocatedByHand() { return locatedByHand; }

}  // namespace drx::launcher
