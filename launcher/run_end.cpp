// How a run ends while other threads may still work: Cancel in the progress dialog, and the end
// of the Java side.
#include "launcher/run_end.h"

#include <windows.h>

#include "common/thread_start.h"
#include "common/unique_handle.h"
#include "launcher/error_report.h"
#include "launcher/launcher_log.h"
#include "launcher/portable/cancel_gate.h"
#include "launcher/startup_markers.h"
#include "launcher/temporary_cleanup.h"

namespace drx::launcher {
namespace {

class ProcessCancelHost : public CancelGateHost {
 public:
  void lock() override { AcquireSRWLockExclusive(&lock_); }
  void unlock() override { ReleaseSRWLockExclusive(&lock_); }
  void interrupt() override {
    if (cancelEvent) SetEvent(cancelEvent.get());
  }
  void park() override {
    for (;;) Sleep(INFINITE);
  }
  [[noreturn]] void end() override {
    setStartupMarkers(MarkerAction::remove, true, true);
    removeTemporaryArea();
    removeLogUnlessKept();
    exitLauncher(0);
  }

  // Manual reset: every later wait sees it too.
  KernelHandle cancelEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

// Never destroyed: threads may use the gate until the process ends.
ProcessCancelHost& host() {
  static ProcessCancelHost* instance = new ProcessCancelHost;
  return *instance;
}

CancelGate& gate() {
  static CancelGate* instance = new CancelGate(host());
  return *instance;
}

DWORD WINAPI cancelThread(LPVOID) {
  gate().cancel();
  return 0;
}

}  // namespace

CancelGuardedStep::CancelGuardedStep() { gate().enter(); }

CancelGuardedStep::~CancelGuardedStep() { gate().leave(); }

bool runCancelled() { return gate().cancelled(); }

unsigned long waitUnlessCancelled(void* handle, unsigned long timeoutMs) {
  HANDLE event = host().cancelEvent.get();
  if (!event) return WaitForSingleObject(handle, timeoutMs);
  HANDLE handles[2] = {handle, event};
  const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
  return result == WAIT_OBJECT_0 + 1 ? WAIT_ABANDONED : result;
}

void cancelRun() {
  if (startThread(cancelThread, nullptr)) return;
  gate().cancel();
}

void endCancelledRunNow() { host().end(); }

void endAfterJava() {
  removeLogUnlessKept();
  exitLauncher(0);
}

}  // namespace drx::launcher
