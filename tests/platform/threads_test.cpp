// Threads: waiting for a thread to end, wholly, and the ids a wait accepts.
#include "oru/platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace oru {
namespace {

using namespace std::chrono_literals;

// A door the test opens to let a thread's routine return.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  void Open() {
    {
      std::lock_guard lock(mutex);
      open = true;
    }
    opened.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex);
    opened.wait(lock, [this] { return open; });
  }
};

// Destroyed when its thread ends, after the routine has returned: a slow teardown shows whether
// a wait covers the whole thread or only its routine.
std::atomic<int> teardownsDone{0};
struct SlowTeardown {
  bool used = false;
  ~SlowTeardown() {
    if (!used) return;
    std::this_thread::sleep_for(50ms);
    teardownsDone.fetch_add(1);
  }
};
thread_local SlowTeardown slowTeardown;

std::uint32_t EndSlowly(void* gate) {
  slowTeardown.used = true;
  if (gate) static_cast<Gate*>(gate)->Wait();
  return 0;
}

TEST(ThreadsTest, AWaitReturnsOnlyOnceTheThreadHasWhollyEnded) {
  teardownsDone = 0;
  const std::uint32_t id = CreateThread(&EndSlowly, nullptr);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitForThread(id, kWaitForever));
  EXPECT_EQ(teardownsDone.load(), 1);
  // Ended and waited for: another wait answers at once.
  EXPECT_TRUE(WaitForThread(id, 0));
}

TEST(ThreadsTest, EveryOneOfSeveralWaitersReturnsAfterTheEnd) {
  teardownsDone = 0;
  Gate gate;
  const std::uint32_t id = CreateThread(&EndSlowly, &gate);
  ASSERT_NE(id, 0u);
  std::vector<std::thread> waiters;
  std::atomic<int> sawEnded{0};
  for (int n = 0; n < 3; ++n) {
    waiters.emplace_back([&] {
      if (WaitForThread(id, kWaitForever) && teardownsDone.load() == 1) sawEnded.fetch_add(1);
    });
  }
  gate.Open();
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_EQ(sawEnded.load(), 3);
}

TEST(ThreadsTest, AWaitThatRunsOutOfTimeLeavesTheThreadToBeWaitedForAgain) {
  Gate gate;
  const std::uint32_t id = CreateThread(&EndSlowly, &gate);
  ASSERT_NE(id, 0u);
  EXPECT_FALSE(WaitForThread(id, 0));
  EXPECT_FALSE(WaitForThread(id, 20));
  gate.Open();
  EXPECT_TRUE(WaitForThread(id, kWaitForever));
}

TEST(ThreadsTest, AThreadCannotWaitForItselfAndUnknownIdsHaveEnded) {
  std::atomic<bool> ownWait{true};
  struct Args {
    std::atomic<bool>* result;
  } args{&ownWait};
  const std::uint32_t id = CreateThread(
      [](void* a) -> std::uint32_t {
        *static_cast<Args*>(a)->result = WaitForThread(CurrentThreadId(), kWaitForever);
        return 0;
      },
      &args);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitForThread(id, kWaitForever));
  EXPECT_FALSE(ownWait.load());
  EXPECT_FALSE(WaitForThread(CurrentThreadId(), kWaitForever));
  EXPECT_TRUE(WaitForThread(0, 0));
  EXPECT_TRUE(WaitForThread(0xFFFFFFF0u, 0));
}

TEST(ThreadsTest, ThreadsNobodyWaitsForAreCollectedWhileOthersRun) {
  // Fire-and-forget threads end on their own; creating more joins them, and waiting for a
  // collected one still answers that it has ended.
  std::vector<std::uint32_t> ids;
  for (int n = 0; n < 64; ++n) {
    const std::uint32_t id = CreateThread([](void*) -> std::uint32_t { return 0; }, nullptr);
    ASSERT_NE(id, 0u);
    ids.push_back(id);
  }
  for (std::uint32_t id : ids) EXPECT_TRUE(WaitForThread(id, kWaitForever));
}

}  // namespace
}  // namespace oru
