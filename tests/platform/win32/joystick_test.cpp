// Joysticks over winmm: once the service has started, its thread publishes what the pads say,
// so an id without a pad reads as none whatever was published before, and the thread ends when
// asked; bad requests are refused. Wine here has no joystick, so every id is empty; an id
// holding a real pad is left out.
#include "oru/platform/joystick.h"

#include <gtest/gtest.h>

#include <chrono>

#include "oru/platform/win32/joystick_internal.h"
#include "tests/support/wait_for.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

bool HasPad(unsigned id) {
  JOYCAPSW caps{};
  return joyGetDevCapsW(id, &caps, sizeof caps) == JOYERR_NOERROR;
}

class WinmmJoystickTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetJoysticksForTesting(); }
  void TearDown() override { ResetJoysticksForTesting(); }
};

TEST_F(WinmmJoystickTest, BadRequestsAreRefused) {
  JoyCaps caps;
  JoyInfo info;
  EXPECT_EQ(JoyGetDevCaps(0, &caps, sizeof caps - 4), kJoyBadParameter);
  EXPECT_EQ(JoyGetDevCaps(0, nullptr, sizeof caps), kJoyBadParameter);
  EXPECT_EQ(JoyGetPos(0, nullptr), kJoyBadParameter);
  EXPECT_EQ(JoyGetDevCaps(kJoystickSlots, &caps, sizeof caps), kJoyBadParameter);
  EXPECT_EQ(JoyGetPos(kJoystickSlots, &info), kJoyBadParameter);
}

TEST_F(WinmmJoystickTest, WithoutAPadAnIdReadsAsNoneOnceTheServiceRuns) {
  // Before start-up the queries report what was published, as the input tests rely on.
  SetJoystickSnapshot(0, {true, 1, 2, 3});
  JoyInfo info{};
  ASSERT_EQ(JoyGetPos(0, &info), kJoyNoError);
  EXPECT_EQ(info.xPos, 1u);

  ASSERT_TRUE(JoystickStartUp()) << "winmm has joystick ids";
  EXPECT_TRUE(JoystickStartUp()) << "starting again changes nothing";
  for (unsigned id = 0; id < kJoystickSlots; ++id) {
    if (HasPad(id)) continue;
    SCOPED_TRACE(id);
    // A stand-in published now is replaced by what the device says: nothing there.
    SetJoystickSnapshot(id, {true, 1, 2, 3});
    EXPECT_TRUE(WaitFor([&] { return JoyGetPos(id, &info) == kJoyUnplugged; }, 10s));
    JoyCaps caps;
    EXPECT_EQ(JoyGetDevCaps(id, &caps, sizeof caps), kJoyUnplugged);
    EXPECT_FALSE(GetJoystickSnapshot(id).connected);
  }
}

TEST_F(WinmmJoystickTest, APadThatIsThereReportsItsRanges) {
  if (!JoystickStartUp() || !HasPad(0)) GTEST_SKIP() << "no joystick 0";
  JOYCAPSW native{};
  ASSERT_EQ(joyGetDevCapsW(0, &native, sizeof native), JOYERR_NOERROR);
  JoyCaps caps;
  ASSERT_TRUE(WaitFor([&] { return JoyGetDevCaps(0, &caps, sizeof caps) == kJoyNoError; }, 10s));
  EXPECT_EQ(caps.xMin, native.wXmin);
  EXPECT_EQ(caps.xMax, native.wXmax);
  EXPECT_NE(caps.name[0], '\0');
  JoyInfo info;
  EXPECT_EQ(JoyGetPos(0, &info), kJoyNoError);
}

// Last: the thread stays stopped for the rest of the run.
TEST_F(WinmmJoystickTest, AStoppedThreadPublishesNothingMore) {
  ASSERT_TRUE(JoystickStartUp());
  win32::StopJoystickThread();
  // The thread has ended, so what tests publish now stays.
  SetJoystickSnapshot(2, {true, 7, 8, 1});
  JoyInfo info{};
  ASSERT_EQ(JoyGetPos(2, &info), kJoyNoError);
  EXPECT_EQ(info.xPos, 7u);
  win32::StopJoystickThread();  // again: nothing to wait for
}

}  // namespace
}  // namespace oru
