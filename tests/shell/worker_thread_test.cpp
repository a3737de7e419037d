// WorkerThread: the loop, its two ways to end and restarting.
#include "oru/shell/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/wait_for.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

class Counter : public WorkerThread {
 public:
  ~Counter() override { Stop(); }
  std::atomic<int> steps{0};
  int lastStep = 0;  // Step returns false on this step (0: never)
  bool stopInside = false;

 protected:
  bool Step() override {
    const int n = ++steps;
    if (stopInside && n == 3) Stop();
    std::this_thread::sleep_for(1ms);
    return n != lastStep;
  }
};

TEST(WorkerThreadTest, StopOnANeverStartedThreadReturnsAtOnce) {
  Counter c;
  EXPECT_FALSE(c.IsRunning());
  EXPECT_TRUE(c.Stop());
  EXPECT_EQ(c.steps, 0);
  EXPECT_EQ(c.ThreadId(), 0u);
}

TEST(WorkerThreadTest, StepReturningFalseEndsTheThread) {
  Counter c;
  c.lastStep = 4;
  ASSERT_TRUE(c.Start());
  EXPECT_NE(c.ThreadId(), 0u);
  ASSERT_TRUE(WaitFor([&] { return !c.IsRunning(); }));
  EXPECT_EQ(c.steps, 4);
  EXPECT_TRUE(c.Stop());
  EXPECT_EQ(c.steps, 4);
}

TEST(WorkerThreadTest, StopEndsTheLoopBeforeReturning) {
  Counter c;
  c.Start();
  ASSERT_TRUE(WaitFor([&] { return c.steps >= 3; }));
  c.Stop();
  EXPECT_FALSE(c.IsRunning());
  const int settled = c.steps;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(c.steps, settled);
}

// Destroyed as the worker's thread ends, slowly: Stop must cover it, since the owner may free
// what the teardown still touches.
std::atomic<bool> teardownDone{false};
struct SlowTeardown {
  bool used = false;
  ~SlowTeardown() {
    if (!used) return;
    std::this_thread::sleep_for(50ms);
    teardownDone = true;
  }
};
thread_local SlowTeardown slowTeardown;

class TornDown : public WorkerThread {
 public:
  ~TornDown() override { Stop(); }
  std::atomic<bool> stepped{false};

 protected:
  bool Step() override {
    slowTeardown.used = true;
    stepped = true;
    std::this_thread::sleep_for(1ms);
    return true;
  }
};

TEST(WorkerThreadTest, StopReturnsOnlyOnceTheThreadHasEnded) {
  teardownDone = false;
  TornDown worker;
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(WaitFor([&] { return worker.stepped.load(); }));
  worker.Stop();
  EXPECT_TRUE(teardownDone.load());
}

TEST(WorkerThreadTest, StopFromInsideStepDoesNotWaitForItself) {
  Counter c;
  c.stopInside = true;
  c.Start();
  ASSERT_TRUE(WaitFor([&] { return !c.IsRunning(); }));
  EXPECT_EQ(c.steps, 3);
}

TEST(WorkerThreadTest, StartOnARunningThreadReplacesIt) {
  Counter c;
  c.Start();
  const std::uint32_t first = c.ThreadId();
  ASSERT_TRUE(WaitFor([&] { return c.steps >= 1; }));
  c.Start();
  EXPECT_NE(c.ThreadId(), first);
  EXPECT_TRUE(c.IsRunning());
  const int before = c.steps;
  ASSERT_TRUE(WaitFor([&] { return c.steps > before + 2; }));
  c.Stop();
  EXPECT_FALSE(c.IsRunning());
}

}  // namespace
}  // namespace oru
