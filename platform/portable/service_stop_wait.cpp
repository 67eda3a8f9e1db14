// The stop wait: poll every half second while the service reports stop-pending.
#include "platform/portable/service_stop_wait.h"

namespace drx::platform {

bool waitForServiceStop(StopWaitSource& source) {
  ServiceProgress status;
  if (!source.query(status)) return false;
  uint32_t lastProgressTicks = source.ticks();
  uint32_t lastCheckPoint = status.checkPoint;
  while (status.state == kServiceStopPending) {
    source.sleep(kStopPollMillis);
    if (!source.query(status)) return false;
    if (status.checkPoint > lastCheckPoint) {
      lastProgressTicks = source.ticks();
      lastCheckPoint = status.checkPoint;
      continue;
    }
    // Unsigned difference: correct across the tick counter's wrap after 49.7 days.
    if (source.ticks() - lastProgressTicks > status.waitHint) break;
  }
  return status.state == kServiceStopped;
}

}  // namespace drx::platform
