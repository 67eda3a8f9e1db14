// Ends a runtime download that stops making progress. WinINet has no receive timeout that holds for
// InternetOpenUrl everywhere (wine ignores the option on the session handle), so a server that
// accepts and then stays silent would otherwise keep the launcher waiting forever.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace drx::launcher {

// Without any progress for this long the download counts as failed.
inline constexpr DWORD kDownloadStallLimitMs = 30000;

class DownloadWatchdog {
 public:
  // Starts watching; after stallLimitMs without activity() it logs the stall and stops the
  // process with the download failure (text 20003), whatever the download thread is blocked in.
  explicit DownloadWatchdog(DWORD stallLimitMs = kDownloadStallLimitMs);
  ~DownloadWatchdog();  // stops watching
  DownloadWatchdog(const DownloadWatchdog&) = delete;
  DownloadWatchdog& operator=(const DownloadWatchdog&) = delete;

  // The download moved: a call returned or data arrived.
  void activity();

 private:
  static DWORD WINAPI watch(void* self);

  DWORD stallLimitMs_;
  volatile LONG lastActivity_;
  KernelHandle stop_;
  KernelHandle thread_;
};

}  // namespace drx::launcher
