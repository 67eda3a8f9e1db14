// The start-up wait's loop: creep the progress bar until the Java side shows a window or says it
// runs, and give up once if the start never got that far. Portable, so its steps are unit-tested.
#pragma once

namespace drx::launcher {

inline constexpr int kProgressMaximum = 400;
inline constexpr int kStartupWaitCeiling = 390;
inline constexpr int kStartupTimeoutIterations = 2400;
inline constexpr unsigned kJavaSideStarted = 2;  // the process marker's value once Java runs

// What the loop asks of the system on each step.
class StartupWaitHost {
 public:
  virtual ~StartupWaitHost() = default;
  virtual int countOwnWindows() = 0;
  virtual unsigned readProcessMarker() = 0;
  virtual bool timeoutDisabled() = 0;
  virtual void setProgressPosition(int position) = 0;
  // Does not return in the launcher (a fatal message); a test host may return to end the loop.
  virtual void timedOut() = 0;
  virtual void sleepOneStep() = 0;
};

enum class StartupWaitEnd { kJavaWindowShown, kJavaSideStarted, kTimedOut };

// Runs the loop from the progress base. timeoutIterations is the step at which the timeout is
// tested (once, at exactly that count).
StartupWaitEnd runStartupWait(StartupWaitHost& host, int progressBase,
                              int timeoutIterations = kStartupTimeoutIterations);

}  // namespace drx::launcher
