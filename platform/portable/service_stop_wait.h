// Waiting for a service to stop after the stop control: it must keep advancing its checkpoint,
// and is given up on once it stalls for longer than its own wait hint. Portable: no <windows.h>.
#pragma once

#include <cstdint>

namespace drx::platform {

inline constexpr uint32_t kServiceStopped = 1;
inline constexpr uint32_t kServiceStopPending = 3;
inline constexpr uint32_t kStopPollMillis = 500;

struct ServiceProgress {
  uint32_t state = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
};

// What the wait needs from the system; a test can play a service's reports through it.
class StopWaitSource {
 public:
  virtual ~StopWaitSource() = default;
  virtual bool query(ServiceProgress& progress) = 0;  // false when the status cannot be read
  virtual void sleep(uint32_t millis) = 0;
  virtual uint32_t ticks() = 0;  // milliseconds, wrapping like GetTickCount
};

// True when the last state seen is stopped; false when a query failed or progress stalled.
bool waitForServiceStop(StopWaitSource& source);

}  // namespace drx::platform
