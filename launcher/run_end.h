// How a run ends while other threads may still work: Cancel in the progress dialog, and the end
// of the Java side.
#pragma once

namespace drx::launcher {

// Held for a step of the work that a Cancel must wait for and that must not start after one:
// files open in the temporary directory, a child process working there, setting the start-up
// markers. When the run was cancelled, the outermost step's end does not return: the thread
// waits there for the process to end.
class CancelGuardedStep {
 public:
  CancelGuardedStep();
  ~CancelGuardedStep();
  CancelGuardedStep(const CancelGuardedStep&) = delete;
  CancelGuardedStep& operator=(const CancelGuardedStep&) = delete;
};

// Whether the user has cancelled; work inside a scope stops early when it is.
bool runCancelled();
// Waits like WaitForSingleObject, but returns WAIT_ABANDONED at once when the run is cancelled:
// a wait inside a scope (a child process that works in the temporary directory) ends early.
unsigned long waitUnlessCancelled(void* handle, unsigned long timeoutMs);

// Cancel: waits on a thread of its own for the step under way, removes the temporary area and
// both start-up markers, and ends the process with exit code 0. Returns at once, so the caller's thread keeps
// serving the dialog's messages that the work thread may still send meanwhile. The C runtime's exit is never
// reached, so no static object is destroyed under a thread that still reads it.
void cancelRun();

// The end of a cancelled run whose step cannot finish (a read from a stalled server): what the
// Cancel would do, without waiting for that step; a file it holds open stays. Exit code 0.
[[noreturn]] void endCancelledRunNow();

// The Java side has ended (DestroyJavaVM returned after a successful launch): exit code 0,
// also when a hidden progress dialog would otherwise keep the process, and its single-instance
// semaphore, alive.
[[noreturn]] void endAfterJava();

}  // namespace drx::launcher
