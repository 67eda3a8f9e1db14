// The start-up wait's steps: progress creep, the one-time timeout test and both ways out.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "launcher/portable/startup_wait.h"

namespace drx::launcher {
namespace {

// Scripted system: window count and marker value as functions of the number of sleeps so far.
class ScriptedHost : public StartupWaitHost {
 public:
  std::function<int(int)> windows = [](int) { return 1; };
  std::function<unsigned(int)> marker = [](int) { return 1u; };
  bool disabled = false;
  int maxSleeps = 100000;  // safety net: a loop that never ends fails the test instead of hanging

  std::vector<int> positions;
  int sleeps = 0;
  bool timedOutCalled = false;

  int countOwnWindows() override { return sleeps >= maxSleeps ? 2 : windows(sleeps); }
  unsigned readProcessMarker() override { return marker(sleeps); }
  bool timeoutDisabled() override { return disabled; }
  void setProgressPosition(int position) override { positions.push_back(position); }
  void timedOut() override { timedOutCalled = true; }
  void sleepOneStep() override { ++sleeps; }
};

TEST(StartupWait, ProgressCreepsEveryFifthStepByAQuarterOfWhatIsLeftUpTo390) {
  struct Case {
    int base;
    std::vector<int> expected;
  } cases[] = {
      {100, {175, 250, 325, 390, 390}},
      {200, {250, 300, 350, 390, 390}},
      {300, {325, 350, 375, 390, 390}},
  };
  for (const Case& c : cases) {
    ScriptedHost host;
    host.windows = [](int sleeps) { return sleeps >= 25 ? 2 : 1; };
    EXPECT_EQ(runStartupWait(host, c.base), StartupWaitEnd::kJavaWindowShown);
    EXPECT_EQ(host.positions, c.expected) << "base " << c.base;
  }
}

TEST(StartupWait, EndsWhenTheJavaSideWritesTwoIntoTheProcessMarker) {
  ScriptedHost host;
  host.marker = [](int sleeps) { return sleeps >= 7 ? 2u : 1u; };
  EXPECT_EQ(runStartupWait(host, 100), StartupWaitEnd::kJavaSideStarted);
  EXPECT_EQ(host.sleeps, 7);
  EXPECT_FALSE(host.timedOutCalled);
}

TEST(StartupWait, TimeoutIsTestedOnceAtExactlyItsStepAndOnlyWhileTheMarkerIsOne) {
  {
    ScriptedHost host;
    EXPECT_EQ(runStartupWait(host, 100, 40), StartupWaitEnd::kTimedOut);
    EXPECT_TRUE(host.timedOutCalled);
    EXPECT_EQ(host.sleeps, 39) << "the test comes before the 40th sleep";
  }
  {
    // The marker vanished (0) without becoming 2: the Java side took over; wait for a window.
    ScriptedHost host;
    host.marker = [](int) { return 0u; };
    host.windows = [](int sleeps) { return sleeps >= 100 ? 2 : 1; };
    EXPECT_EQ(runStartupWait(host, 100, 40), StartupWaitEnd::kJavaWindowShown);
    EXPECT_FALSE(host.timedOutCalled);
  }
  {
    // Back to 1 only after the timeout step: never tested again.
    ScriptedHost host;
    host.marker = [](int sleeps) { return sleeps < 45 ? 0u : 1u; };
    host.windows = [](int sleeps) { return sleeps >= 120 ? 2 : 1; };
    EXPECT_EQ(runStartupWait(host, 100, 40), StartupWaitEnd::kJavaWindowShown);
    EXPECT_FALSE(host.timedOutCalled);
  }
  {
    ScriptedHost host;
    host.disabled = true;
    host.windows = [](int sleeps) { return sleeps >= 60 ? 2 : 1; };
    EXPECT_EQ(runStartupWait(host, 100, 40), StartupWaitEnd::kJavaWindowShown);
    EXPECT_FALSE(host.timedOutCalled);
  }
}

TEST(StartupWait, TheRealTimeoutStepIs2400) {
  ScriptedHost host;
  EXPECT_EQ(runStartupWait(host, 100), StartupWaitEnd::kTimedOut);
  EXPECT_EQ(host.sleeps, kStartupTimeoutIterations - 1);
}

}  // namespace
}  // namespace drx::launcher
