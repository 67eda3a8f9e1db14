// Cancelling a run while the work thread writes into the temporary directory (portable).
#pragma once

#include <atomic>

namespace drx::launcher {

// What the gate needs from its platform.
class CancelGateHost {
 public:
  virtual ~CancelGateHost() = default;
  // An exclusive, non-recursive lock shared by every scope and by cancel().
  virtual void lock() = 0;
  virtual void unlock() = 0;
  // Wakes work that waits inside a scope (for a child process, say), so it can close early.
  virtual void interrupt() = 0;
  // Called by a thread that leaves its outermost scope after a cancel: in the launcher it never
  // returns, so the work goes no further once its open files are closed.
  virtual void park() = 0;
  // Called by cancel() while it holds the lock: removes what the run wrote and ends the process.
  virtual void end() = 0;
};

// Work that keeps files open in the temporary directory runs inside a scope (enter/leave).
// cancel() waits for the scope in progress to close, so the temporary tree is never removed
// under an open file, and holds the lock for good, so no scope opens afterwards. Work inside a
// scope asks cancelled() at its natural steps and closes early; scopes on one thread may nest.
class CancelGate {
 public:
  explicit CancelGate(CancelGateHost& host) : host_(host) {}
  CancelGate(const CancelGate&) = delete;
  CancelGate& operator=(const CancelGate&) = delete;

  void enter();
  void leave();
  bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  // Marks the run cancelled, interrupts waits, waits for the open scope, then calls end().
  void cancel();

 private:
  CancelGateHost& host_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace drx::launcher
