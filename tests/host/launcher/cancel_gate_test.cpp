// Cancelling while a worker writes: the end waits for the open scope, and nothing is read after it.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "launcher/portable/cancel_gate.h"

namespace drx::launcher {
namespace {

// The end destroys the shared table, as the C runtime's exit would destroy static state: under
// AddressSanitizer a worker still reading it is a use after free.
class TableHost : public CancelGateHost {
 public:
  std::mutex mutex;
  std::unique_ptr<std::map<int, std::string>> table = std::make_unique<std::map<int, std::string>>();
  std::atomic<bool> ended{false};
  std::atomic<bool> interrupted{false};
  std::atomic<bool> parked{false};
  std::atomic<bool> releaseParked{false};

  void lock() override { mutex.lock(); }
  void unlock() override { mutex.unlock(); }
  void interrupt() override { interrupted = true; }
  void park() override {
    parked = true;
    while (!releaseParked) std::this_thread::yield();
  }
  void end() override {
    table.reset();
    ended = true;
  }
};

// A worker that reads the table inside a scope until it sees the cancel, a few times over.
void readUntilCancelled(CancelGate& gate, TableHost& host, std::atomic<bool>& inside,
                        std::atomic<long>& reads) {
  for (int round = 0; round < 3; ++round) {
    gate.enter();
    inside = true;
    while (!host.interrupted) {
      reads += static_cast<long>(host.table->at(round % 2).size());
    }
    // Work still under way when the cancel came: it finishes its step before leaving.
    reads += static_cast<long>(host.table->at(1).size());
    inside = false;
    gate.leave();                  // parks here after the cancel
    if (gate.cancelled()) return;  // parking returned: the test let the worker go
  }
}

TEST(CancelGate, EndWaitsForTheOpenScopeAndTheWorkerNeverResumes) {
  TableHost host;
  (*host.table)[0] = "first";
  (*host.table)[1] = "second";
  CancelGate gate(host);
  std::atomic<bool> inside{false};
  std::atomic<long> reads{0};
  std::thread worker(readUntilCancelled, std::ref(gate), std::ref(host), std::ref(inside), std::ref(reads));
  while (!inside) std::this_thread::yield();

  gate.cancel();
  EXPECT_TRUE(host.ended);
  EXPECT_TRUE(gate.cancelled());
  EXPECT_FALSE(inside) << "the end ran while a scope was open";
  while (!host.parked) std::this_thread::yield();
  const long readsAtEnd = reads;

  host.releaseParked = true;  // stands in for the process ending: the worker may leave now
  host.mutex.unlock();        // cancel() keeps the lock for good; the next scope needs it here
  worker.join();
  EXPECT_EQ(reads, readsAtEnd) << "the worker went on after the end";
  EXPECT_GT(readsAtEnd, 0);
}

TEST(CancelGate, NestedScopesTakeTheLockOnceAndParkOnlyAtTheOutermost) {
  TableHost host;
  CancelGate gate(host);
  gate.enter();
  gate.enter();
  EXPECT_FALSE(host.mutex.try_lock()) << "held by the outer scope";
  gate.leave();
  EXPECT_FALSE(host.mutex.try_lock()) << "the inner scope's end must not release it";
  gate.leave();
  ASSERT_TRUE(host.mutex.try_lock());
  host.mutex.unlock();
  EXPECT_FALSE(host.parked);

  std::thread canceller([&] { gate.cancel(); });
  canceller.join();
  EXPECT_TRUE(host.ended);
  EXPECT_TRUE(gate.cancelled());
}

TEST(CancelGate, CancelWithNoScopeOpenEndsAtOnce) {
  TableHost host;
  CancelGate gate(host);
  EXPECT_FALSE(gate.cancelled());
  gate.cancel();
  EXPECT_TRUE(host.ended);
  EXPECT_FALSE(host.mutex.try_lock()) << "no scope may open after the end";
}

}  // namespace
}  // namespace drx::launcher
