// The periodic timer's thread handling beyond what IntervalTimer's tests cover: a timer
// destroyed by its own tick, and ids unique across timers.
#include "oru/platform/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/wait_for.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

struct SelfDestroying {
  PeriodicTimer* timer = new PeriodicTimer;
  std::atomic<bool> started{false};  // Start has returned: the timer is the tick's to delete
  std::atomic<int> ticks{0};
  std::atomic<bool> deleting{false};
  std::atomic<bool> destroyed{false};

  static void Tick(std::uint32_t, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                   std::uintptr_t) {
    auto* self = reinterpret_cast<SelfDestroying*>(user);
    while (!self->started) std::this_thread::yield();
    ++self->ticks;
    if (!self->deleting.exchange(true)) {
      delete self->timer;
      self->destroyed = true;  // the last touch of self
    }
  }
};

TEST(PeriodicTimerTest, TimerDestroyedByItsOwnTickEndsCleanly) {
  SelfDestroying s;
  ASSERT_NE(s.timer->Start(1, &SelfDestroying::Tick, reinterpret_cast<std::uintptr_t>(&s)), 0u);
  s.started = true;
  ASSERT_TRUE(WaitFor([&] { return s.destroyed.load(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(s.ticks, 1);
}

TEST(PeriodicTimerTest, IdsAreUniqueAcrossTimersAndNullCallbackStartsNothing) {
  auto nop = [](std::uint32_t, std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t) {};
  PeriodicTimer a, b;
  const std::uint32_t idA = a.Start(10, nop, 0);
  const std::uint32_t idB = b.Start(10, nop, 0);
  EXPECT_NE(idA, 0u);
  EXPECT_NE(idB, 0u);
  EXPECT_NE(idA, idB);
  EXPECT_EQ(a.Start(10, nullptr, 0), 0u);
  EXPECT_EQ(a.Id(), 0u) << "a failed start leaves the timer idle";
  EXPECT_EQ(b.Id(), idB);
}

// The music's timer asks for real-time scheduling; where that is refused (as in most containers and
// for users without RealtimeKit) it must tick on as an ordinary thread.
TEST(PeriodicTimerTest, TimeCriticalTimerTicksWhetherOrNotThePriorityIsGranted) {
  std::atomic<int> ticks{0};
  PeriodicTimer timer;
  timer.SetTimeCritical(true);
  auto count = [](std::uint32_t, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                  std::uintptr_t) { ++*reinterpret_cast<std::atomic<int>*>(user); };
  ASSERT_NE(timer.Start(1, count, reinterpret_cast<std::uintptr_t>(&ticks)), 0u);
  EXPECT_TRUE(WaitFor([&] { return ticks.load() >= 20; }));
}

}  // namespace
}  // namespace oru
