// IntervalTimer on the real timer thread. Waits are on conditions with generous bounds; nothing
// here measures how punctual the ticks are.
#include "oru/shell/interval_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/wait_for.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

class CountingTimer : public IntervalTimer {
 public:
  ~CountingTimer() override { Stop(); }
  std::atomic<int> ticks{0};
  // After this many ticks OnTick stops its own timer (0: never).
  int stopAfter = 0;

 protected:
  void OnTick() override {
    const int n = ++ticks;
    if (n == stopAfter) Stop();
  }
};

TEST(IntervalTimerTest, IdleTimer) {
  CountingTimer timer;
  EXPECT_EQ(timer.Id(), 0u);
  EXPECT_TRUE(timer.Stop());
  EXPECT_EQ(timer.Id(), 0u);
  EXPECT_GE(timer.MinPeriod(), 1u);
  EXPECT_EQ(timer.Start(0, nullptr, 0), 0u) << "a zero period creates no event";
  EXPECT_EQ(timer.Id(), 0u);
}

TEST(IntervalTimerTest, NullCallbackTicksOnTickUntilStopped) {
  CountingTimer timer;
  const std::uint32_t id = timer.Start(1, nullptr, 0);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(timer.Id(), id);
  ASSERT_TRUE(WaitFor([&] { return timer.ticks >= 5; }));
  EXPECT_TRUE(timer.Stop());
  EXPECT_EQ(timer.Id(), 0u);
  // A tick that had already begun may still finish; none starts after that.
  std::this_thread::sleep_for(20ms);
  const int settled = timer.ticks;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(timer.ticks, settled);
}

TEST(IntervalTimerTest, EveryStartGivesANewId) {
  CountingTimer timer;
  const std::uint32_t first = timer.Start(5, nullptr, 0);
  const std::uint32_t second = timer.Start(5, nullptr, 0);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(timer.Id(), second);
  ASSERT_TRUE(WaitFor([&] { return timer.ticks >= 2; }));
}

TEST(IntervalTimerTest, StopsItselfFromInsideItsTick) {
  CountingTimer timer;
  timer.stopAfter = 3;
  timer.Start(1, nullptr, 0);
  ASSERT_TRUE(WaitFor([&] { return timer.Id() == 0; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(timer.ticks, 3);
}

// Restarting from inside a tick (a tempo change) and seeing which event each tick belongs to.
struct Restarter {
  IntervalTimer timer;
  std::atomic<int> oldTicks{0};
  std::atomic<int> newTicks{0};
  std::atomic<std::uint32_t> firstId{0};
  std::atomic<std::uint32_t> restartedId{0};

  static void Tick(std::uint32_t id, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                   std::uintptr_t) {
    auto* self = reinterpret_cast<Restarter*>(user);
    if (id == self->firstId) {
      if (++self->oldTicks == 1) self->restartedId = self->timer.Start(2, &Tick, user);
    } else if (id == self->restartedId) {
      if (++self->newTicks == 3) self->timer.Stop();
    }
  }
};

TEST(IntervalTimerTest, RestartsFromInsideItsTick) {
  Restarter r;
  r.firstId = r.timer.Start(1, &Restarter::Tick, reinterpret_cast<std::uintptr_t>(&r));
  ASSERT_NE(r.firstId, 0u);
  ASSERT_TRUE(WaitFor([&] { return r.newTicks >= 3 && r.timer.Id() == 0; }));
  EXPECT_EQ(r.oldTicks, 1) << "the replaced event must not tick again";
  EXPECT_NE(r.restartedId, r.firstId);
}

// A tick of a replaced event that is still running when Start returns carries the old id, so a
// callback comparing the id with Id() can drop it.
struct StaleTickProbe {
  IntervalTimer timer;
  std::atomic<bool> inTick{false};
  std::atomic<bool> release{false};
  std::atomic<int> stale{0};
  std::atomic<int> current{0};

  static void Tick(std::uint32_t id, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                   std::uintptr_t) {
    auto* self = reinterpret_cast<StaleTickProbe*>(user);
    self->inTick = true;
    while (!self->release) std::this_thread::sleep_for(1ms);
    if (id == self->timer.Id())
      ++self->current;
    else
      ++self->stale;
  }
};

TEST(IntervalTimerTest, TicksOfAReplacedEventAreIdentifiable) {
  StaleTickProbe p;
  const auto user = reinterpret_cast<std::uintptr_t>(&p);
  const std::uint32_t first = p.timer.Start(1, &StaleTickProbe::Tick, user);
  ASSERT_TRUE(WaitFor([&] { return p.inTick.load(); }));
  // The first event's tick is blocked inside the callback while the event is replaced.
  const std::uint32_t second = p.timer.Start(1, &StaleTickProbe::Tick, user);
  EXPECT_NE(first, second);
  p.release = true;
  ASSERT_TRUE(WaitFor([&] { return p.current >= 2; }));
  p.timer.Stop();
  EXPECT_EQ(p.stale, 1);
}

TEST(IntervalTimerTest, DestroyingARunningTimerEndsItsTicks) {
  std::atomic<int> ticks{0};
  auto count = [](std::uint32_t, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                  std::uintptr_t) { ++*reinterpret_cast<std::atomic<int>*>(user); };
  {
    IntervalTimer timer;
    timer.Start(1, count, reinterpret_cast<std::uintptr_t>(&ticks));
    ASSERT_TRUE(WaitFor([&] { return ticks >= 2; }));
  }
  const int settled = ticks;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(ticks, settled);
}

}  // namespace
}  // namespace oru
