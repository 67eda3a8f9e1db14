// The stall watch of the runtime download: a thread that ends the process with the download failure.
#include "launcher/runtime/download_watchdog.h"

#include "common/payload/property_ids.h"
#include "common/thread_start.h"
#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/run_end.h"

namespace drx::launcher {

DownloadWatchdog::DownloadWatchdog(DWORD stallLimitMs)
    : stallLimitMs_(stallLimitMs),
      lastActivity_(static_cast<LONG>(GetTickCount())),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  // Without the event there is no way to stop the watch again, so there is no watch.
  if (stop_) thread_ = startThread(watch, this);
}

DownloadWatchdog::~DownloadWatchdog() {
  if (!thread_) return;
  SetEvent(stop_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
}

void DownloadWatchdog::activity() { InterlockedExchange(&lastActivity_, static_cast<LONG>(GetTickCount())); }

DWORD WINAPI DownloadWatchdog::watch(void* self) {
  auto* watchdog = static_cast<DownloadWatchdog*>(self);
  while (WaitForSingleObject(watchdog->stop_.get(), 500) == WAIT_TIMEOUT) {
    const DWORD idle =
        GetTickCount() - static_cast<DWORD>(InterlockedCompareExchange(&watchdog->lastActivity_, 0, 0));
    if (idle >= watchdog->stallLimitMs_) {
      // The user cancelled and the Cancel waits for this very read: end as a Cancel does.
      if (runCancelled()) endCancelledRunNow();
      logErrorLine("Download stalled: nothing arrived for %d seconds", static_cast<int>(idle / 1000));
      // The download thread may stay blocked inside WinINet; the fatal stop ends it with the process.
      fatalWideById(payload::kTextDownloadFailed);
    }
  }
  return 0;
}

}  // namespace drx::launcher
