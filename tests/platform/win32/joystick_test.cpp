// Joysticks over winmm: queries read the pad itself once the service has started, so an id
// without a pad reads as none whatever was published before; bad requests are refused. Wine
// here has no joystick, so every id is empty; an id holding a real pad is left out.
#include "oru/platform/joystick.h"

#include <gtest/gtest.h>

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

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

  const bool started = JoystickStartUp();
  EXPECT_EQ(JoystickStartUp(), started) << "starting again changes nothing";
  for (unsigned id = 0; id < kJoystickSlots; ++id) {
    if (HasPad(id)) continue;
    SCOPED_TRACE(id);
    // A stand-in published now is replaced by what the device says: nothing there.
    SetJoystickSnapshot(id, {true, 1, 2, 3});
    JoyCaps caps;
    EXPECT_EQ(JoyGetPos(id, &info), kJoyUnplugged);
    EXPECT_EQ(JoyGetDevCaps(id, &caps, sizeof caps), kJoyUnplugged);
    EXPECT_FALSE(GetJoystickSnapshot(id).connected);
    // Asked again within the second, before any new look for a pad: still none.
    EXPECT_EQ(JoyGetPos(id, &info), kJoyUnplugged);
  }
}

TEST_F(WinmmJoystickTest, APadThatIsThereReportsItsRanges) {
  if (!JoystickStartUp() || !HasPad(0)) GTEST_SKIP() << "no joystick 0";
  JOYCAPSW native{};
  ASSERT_EQ(joyGetDevCapsW(0, &native, sizeof native), JOYERR_NOERROR);
  JoyCaps caps;
  ASSERT_EQ(JoyGetDevCaps(0, &caps, sizeof caps), kJoyNoError);
  EXPECT_EQ(caps.xMin, native.wXmin);
  EXPECT_EQ(caps.xMax, native.wXmax);
  EXPECT_NE(caps.name[0], '\0');
  JoyInfo info;
  EXPECT_EQ(JoyGetPos(0, &info), kJoyNoError);
}

}  // namespace
}  // namespace oru
