// Joystick queries over the published snapshots, and the mapping of device readings.
#include "oru/platform/joystick.h"

#include <gtest/gtest.h>

namespace oru {
namespace {

class JoystickTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetJoysticksForTesting(); }
  void TearDown() override { ResetJoysticksForTesting(); }
};

TEST_F(JoystickTest, AxesSpanTheWholeRange) {
  EXPECT_EQ(AxisToPosition(-32768), 0);
  EXPECT_EQ(AxisToPosition(-1), 32767);
  EXPECT_EQ(AxisToPosition(0), 32768);
  EXPECT_EQ(AxisToPosition(32767), 65535);
}

TEST_F(JoystickTest, DirectionPadOverridesTheStickWhileOneSideIsDown) {
  struct Case {
    bool low, high;
    std::uint16_t result;
  };
  const Case cases[] = {{false, false, 40000}, {true, false, 0}, {false, true, 65535}, {true, true, 40000}};
  for (const Case& c : cases) EXPECT_EQ(DirectionOverride(40000, c.low, c.high), c.result) << c.low << c.high;
}

TEST_F(JoystickTest, UnpluggedAndBadRequestsFail) {
  JoyCaps caps{};
  JoyInfo info{};
  EXPECT_EQ(JoyGetDevCaps(0, &caps, sizeof caps), kJoyUnplugged);
  EXPECT_EQ(JoyGetPos(0, &info), kJoyUnplugged);
  SetJoystickSnapshot(0, {true, 1, 2, 3});
  EXPECT_EQ(JoyGetDevCaps(0, &caps, sizeof caps - 4), kJoyBadParameter);
  EXPECT_EQ(JoyGetDevCaps(0, nullptr, sizeof caps), kJoyBadParameter);
  EXPECT_EQ(JoyGetPos(0, nullptr), kJoyBadParameter);
  EXPECT_EQ(JoyGetDevCaps(kJoystickSlots, &caps, sizeof caps), kJoyBadParameter);
  EXPECT_EQ(JoyGetPos(kJoystickSlots, &info), kJoyBadParameter);
  SetJoystickSnapshot(kJoystickSlots, {true, 1, 2, 3});  // ignored, no write past the table
  EXPECT_FALSE(GetJoystickSnapshot(kJoystickSlots).connected);
}

TEST_F(JoystickTest, QueriesReportThePublishedSnapshot) {
  SetJoystickSnapshot(1, {true, 65535, 0, 0b1001});
  JoyInfo info{};
  ASSERT_EQ(JoyGetPos(1, &info), kJoyNoError);
  EXPECT_EQ(info.xPos, 65535u);
  EXPECT_EQ(info.yPos, 0u);
  EXPECT_EQ(info.buttons, 0b1001u);
  EXPECT_EQ(JoyGetPos(0, &info), kJoyUnplugged) << "ids are independent";

  JoyCaps caps{};
  ASSERT_EQ(JoyGetDevCaps(1, &caps, sizeof caps), kJoyNoError);
  EXPECT_EQ(caps.xMin, 0u);
  EXPECT_EQ(caps.xMax, 65535u);
  EXPECT_EQ(caps.yMax, 65535u);
  EXPECT_EQ(caps.numButtons, 4u);

  SetJoystickRange(1, 10, 600, 20, 700);
  ASSERT_EQ(JoyGetDevCaps(1, &caps, sizeof caps), kJoyNoError);
  EXPECT_EQ(caps.xMin, 10u);
  EXPECT_EQ(caps.xMax, 600u);
  EXPECT_EQ(caps.yMin, 20u);
  EXPECT_EQ(caps.yMax, 700u);
}

TEST_F(JoystickTest, StartsUpWithoutAnyDevice) {
  // Headless machines have no pads; starting the service must be harmless there, and a second
  // start does nothing.
  const bool started = JoystickStartUp();
  EXPECT_EQ(JoystickStartUp(), started);
  JoyInfo info{};
  const unsigned result = JoyGetPos(0, &info);
  EXPECT_TRUE(result == kJoyNoError || result == kJoyUnplugged);
}

}  // namespace
}  // namespace oru
