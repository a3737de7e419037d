// FramePacer driven by a hand-moved clock: the sleeps it asks for advance the clock.
#include "oru/shell/frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

#include "oru/platform/clock.h"

namespace oru {
namespace {

std::uint32_t fakeNow = 0;
std::vector<std::uint32_t> sleeps;

// How much longer than asked each sleep lasts, as a busy machine's sleeps do.
std::uint32_t oversleepMs = 0;

std::uint32_t FakeClock() { return fakeNow; }
void FakeSleep(std::uint32_t ms) {
  sleeps.push_back(ms);
  fakeNow += ms + oversleepMs;
}

class FramePacerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeNow = 1000;
    oversleepMs = 0;
    sleeps.clear();
    SetClockSource(&FakeClock);
    SetSleepFunction(&FakeSleep);
  }
  void TearDown() override {
    SetClockSource(nullptr);
    SetSleepFunction(nullptr);
  }
};

struct Frame {
  std::uint32_t workMs;   // time spent before the wait
  std::uint32_t sleptMs;  // what the wait should sleep
  std::int32_t carryAfter;
};

struct Scenario {
  const char* name;
  std::vector<Frame> frames;
};

TEST_F(FramePacerTest, CarriesOvershootIntoFollowingWaits) {
  const Scenario scenarios[] = {
      {"short frame sleeps the rest", {{10, 20, 0}}},
      {"exact frame sleeps nothing", {{30, 0, 0}}},
      {"long frame leaves a carry that shortens the next wait", {{45, 0, 15}, {10, 5, 0}}},
      {"debt larger than one frame is paid over several",
       {{80, 0, 50}, {5, 0, 25}, {5, 0, 0}, {5, 25, 0}}},
      {"a carry above half a second is forgotten", {{700, 0, 670}, {10, 20, 0}}},
      {"a carry of exactly half a second is still paid", {{530, 0, 500}, {10, 0, 480}}},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    FramePacer pacer;
    for (const Frame& f : s.frames) {
      sleeps.clear();
      fakeNow += f.workMs;
      pacer.Wait(30);
      ASSERT_EQ(sleeps.size(), 1u);
      EXPECT_EQ(sleeps[0], f.sleptMs);
      EXPECT_EQ(pacer.Carry(), f.carryAfter);
      // The reference is the deadline just passed; a frame that restarted the schedule after a
      // stall has it at now.
      const std::uint32_t behind =
          f.carryAfter > FramePacer::kForgetCarryMs ? 0u : static_cast<std::uint32_t>(f.carryAfter);
      EXPECT_EQ(pacer.Elapsed(), behind);
    }
  }
}

TEST_F(FramePacerTest, ClockWrapIsTakenModulo2To32) {
  fakeNow = 0xFFFFFFF0u;
  FramePacer pacer;
  fakeNow += 26;  // wraps past zero
  EXPECT_EQ(pacer.Elapsed(), 26u);
  pacer.Wait(30);
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0], 4u);
  EXPECT_EQ(pacer.Carry(), 0);
}

TEST_F(FramePacerTest, DisabledWaitTouchesNothing) {
  FramePacer pacer;
  fakeNow += 45;
  pacer.Wait(30);
  ASSERT_EQ(pacer.Carry(), 15);
  pacer.SetEnabled(false);
  EXPECT_FALSE(pacer.IsEnabled());
  EXPECT_EQ(pacer.Carry(), 0);  // switching drops the carry

  sleeps.clear();
  const std::uint32_t before = pacer.Elapsed();
  fakeNow += 100;
  pacer.Wait(30);
  EXPECT_TRUE(sleeps.empty());
  EXPECT_EQ(pacer.Carry(), 0);
  EXPECT_EQ(pacer.Elapsed(), before + 100u);  // reference unchanged

  // Switching back on restarts the schedule from now: no debt from the unpaced frames.
  pacer.SetEnabled(true);
  fakeNow += 10;
  pacer.Wait(30);
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0], 20u);
}

// Sleeps that run long are repaid by the following waits, so the game keeps time; measured on a
// busy machine, the sleeps overran by up to 2 ms a frame.
TEST_F(FramePacerTest, OversleepingIsMadeUpAndFramesKeepTheirPeriod) {
  for (const std::uint32_t over : {1u, 2u, 7u}) {
    SCOPED_TRACE(over);
    oversleepMs = over;
    FramePacer pacer;
    const std::uint32_t start = fakeNow;
    for (int frame = 0; frame < 300; ++frame) {
      fakeNow += 10;
      pacer.Wait(30);
      EXPECT_EQ(pacer.Carry(), 0);
    }
    // Only the last sleep's overrun is still unpaid.
    EXPECT_EQ(fakeNow - start, 300u * 30u + over);
  }
}

TEST_F(FramePacerTest, ReferenceOperations) {
  FramePacer pacer;
  fakeNow += 12;
  EXPECT_EQ(pacer.Lap(), 12u);
  EXPECT_EQ(pacer.Elapsed(), 0u);
  pacer.Shift(-5);
  EXPECT_EQ(pacer.Elapsed(), 5u);
  fakeNow += 45;
  pacer.Wait(30);
  EXPECT_EQ(pacer.Carry(), 20);
  pacer.Reset();
  EXPECT_EQ(pacer.Carry(), 0);
  EXPECT_TRUE(pacer.IsEnabled());
  EXPECT_EQ(pacer.Elapsed(), 0u);
}

}  // namespace
}  // namespace oru
