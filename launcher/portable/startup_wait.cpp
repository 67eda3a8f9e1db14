// The start-up wait's loop over an abstract host.
#include "launcher/portable/startup_wait.h"

namespace drx::launcher {

StartupWaitEnd runStartupWait(StartupWaitHost& host, int progressBase, int timeoutIterations) {
  int position = progressBase;
  for (int count = 0; host.countOwnWindows() < 2;) {
    if (host.readProcessMarker() == kJavaSideStarted) return StartupWaitEnd::kJavaSideStarted;
    ++count;
    if (count % 5 == 0) {
      position += (kProgressMaximum - progressBase) / 4;
      if (position > kStartupWaitCeiling) position = kStartupWaitCeiling;
      host.setProgressPosition(position);
    }
    // Tested once, at exactly this count: a marker that vanished without becoming 2 means the
    // Java side took it over, so the wait goes on until a window shows.
    if (count == timeoutIterations && host.readProcessMarker() == 1 && !host.timeoutDisabled()) {
      host.timedOut();
      return StartupWaitEnd::kTimedOut;
    }
    host.sleepOneStep();
  }
  return StartupWaitEnd::kJavaWindowShown;
}

}  // namespace drx::launcher
