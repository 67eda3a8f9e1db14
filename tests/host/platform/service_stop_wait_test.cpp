// The stop wait played against scripted service reports and a fake clock.
#include <gtest/gtest.h>

#include <vector>

#include "platform/portable/service_stop_wait.h"

namespace drx::platform {
namespace {

// Reports come from a script; the last one repeats. Sleeping moves the clock.
class ScriptedService final : public StopWaitSource {
 public:
  ScriptedService(std::vector<ServiceProgress> reports, uint32_t startTicks = 0)
      : reports_(std::move(reports)), clock_(startTicks) {}
  bool query(ServiceProgress& progress) override {
    ++queries;
    if (failAt != 0 && queries == failAt) return false;
    progress = reports_[next_ < reports_.size() ? next_ : reports_.size() - 1];
    ++next_;
    return true;
  }
  void sleep(uint32_t millis) override {
    slept += millis;
    clock_ += millis;
  }
  uint32_t ticks() override { return clock_; }

  int queries = 0;
  int failAt = 0;
  uint64_t slept = 0;

 private:
  std::vector<ServiceProgress> reports_;
  size_t next_ = 0;
  uint32_t clock_;
};

constexpr uint32_t kPending = kServiceStopPending;
constexpr uint32_t kStopped = kServiceStopped;
constexpr uint32_t kRunning = 4;

TEST(ServiceStopWait, StoppedAtOnceOrAfterProgress) {
  ScriptedService immediate({{kStopped, 0, 0}});
  EXPECT_TRUE(waitForServiceStop(immediate));
  EXPECT_EQ(immediate.slept, 0u);

  ScriptedService progressing(
      {{kPending, 1, 1000}, {kPending, 2, 1000}, {kPending, 3, 1000}, {kStopped, 0, 0}});
  EXPECT_TRUE(waitForServiceStop(progressing));
  EXPECT_EQ(progressing.slept, 3u * kStopPollMillis);
}

TEST(ServiceStopWait, StallLongerThanTheWaitHintGivesUp) {
  // Checkpoint stays at 1 with a 1,000 ms hint: polls at 500, 1000 (not more than the hint), 1500.
  ScriptedService stalled({{kPending, 1, 1000}});
  EXPECT_FALSE(waitForServiceStop(stalled));
  EXPECT_EQ(stalled.slept, 1500u);

  // Progress resets the timer: stalls of 1,000 ms between checkpoints never give up.
  ScriptedService slow({{kPending, 1, 1000},
                        {kPending, 1, 1000},
                        {kPending, 2, 1000},
                        {kPending, 2, 1000},
                        {kPending, 3, 1000},
                        {kStopped, 0, 0}});
  EXPECT_TRUE(waitForServiceStop(slow));

  // A checkpoint that goes backwards is no progress.
  ScriptedService backwards({{kPending, 5, 500}, {kPending, 4, 500}});
  EXPECT_FALSE(waitForServiceStop(backwards));
  EXPECT_EQ(backwards.slept, 1000u);
}

TEST(ServiceStopWait, TickCounterWrapDoesNotEndTheWaitEarly) {
  ScriptedService wrapping({{kPending, 1, 2000}, {kPending, 1, 2000}, {kPending, 1, 2000}, {kStopped, 0, 0}},
                           0xFFFFFF00u);
  EXPECT_TRUE(waitForServiceStop(wrapping));
}

TEST(ServiceStopWait, OtherStatesAndFailedQueriesAreNotAStop) {
  ScriptedService running({{kPending, 1, 1000}, {kRunning, 0, 0}});
  EXPECT_FALSE(waitForServiceStop(running));

  ScriptedService firstFails({{kStopped, 0, 0}});
  firstFails.failAt = 1;
  EXPECT_FALSE(waitForServiceStop(firstFails));

  ScriptedService laterFails({{kPending, 1, 1000}, {kStopped, 0, 0}});
  laterFails.failAt = 2;
  EXPECT_FALSE(waitForServiceStop(laterFails));
}

}  // namespace
}  // namespace drx::platform
