// Cancelling a run while the work thread writes into the temporary directory (portable).
#include "launcher/portable/cancel_gate.h"

namespace drx::launcher {
namespace {

// Scopes open on this thread; only the outermost one takes and releases the lock.
thread_local int openScopes = 0;

}  // namespace

void CancelGate::enter() {
  if (openScopes++ == 0) host_.lock();
}

void CancelGate::leave() {
  if (--openScopes != 0) return;
  host_.unlock();
  if (cancelled()) host_.park();
}

void CancelGate::cancel() {
  cancelled_.store(true, std::memory_order_release);
  host_.interrupt();
  host_.lock();
  host_.end();
}

}  // namespace drx::launcher
