// How a run ends while other threads may still work: Cancel in the progress dialog, and the end
// of the Java side.
#pragma once

namespace drx::launcher {

// Held by work that keeps files open in the temporary directory. When the run was cancelled,
// the outermost scope's end does not return: the thread waits there for the process to end.
class TemporaryWriteScope {
 public:
  TemporaryWriteScope();
  ~TemporaryWriteScope();
  TemporaryWriteScope(const TemporaryWriteScope&) = delete;
  TemporaryWriteScope& operator=(const TemporaryWriteScope&) = delete;
};

// Whether the user has cancelled; work inside a scope stops early when it is.
bool runCancelled();
// Waits like WaitForSingleObject, but returns WAIT_ABANDONED at once when the run is cancelled:
// a wait inside a scope (a child process that works in the temporary directory) ends early.
unsigned long waitUnlessCancelled(void* handle, unsigned long timeoutMs);

// Cancel: waits on a thread of its own for the open scope, removes the temporary area and ends
// the process with exit code 0. Returns at once, so the caller's thread keeps serving the
// dialog's messages that the work thread may still send meanwhile. The C runtime's exit is
// never reached, so no static object is destroyed under a thread that still reads it.
void cancelRun();

// The Java side has ended (DestroyJavaVM returned after a successful launch): exit code 0,
// also when a hidden progress dialog would otherwise keep the process, and its single-instance
// semaphore, alive.
[[noreturn]] void endAfterJava();

}  // namespace drx::launcher
