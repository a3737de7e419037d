// Joystick queries over the published snapshots, and the mapping of device readings.
#include "oru/platform/joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "oru/platform/event_loop.h"

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
  const Case cases[] = {
      {false, false, 40000}, {true, false, 0}, {false, true, 65535}, {true, true, 40000}};
  for (const Case& c : cases)
    EXPECT_EQ(DirectionOverride(40000, c.low, c.high), c.result) << c.low << c.high;
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

// Pads plugged in and out while the loop runs, through SDL's virtual joysticks: the same events
// and device calls as real hardware.
class VirtualPadTest : public JoystickTest {
 protected:
  void SetUp() override {
    JoystickTest::SetUp();
    if (!JoystickStartUp()) GTEST_SKIP() << "no joystick service";
    Pump();
  }
  void TearDown() override {
    if (device) SDL_JoystickClose(device);
    if (index >= 0) SDL_JoystickDetachVirtual(index);
    Pump();
    JoystickTest::TearDown();
  }

  static void Pump() {
    MessageRecord m;
    while (PeekMessage(&m)) {
    }
  }

  // Attaches a virtual device and opens our own handle to drive it. Returns its joystick id.
  int Attach(SDL_JoystickType type, int axes, int buttons, int hats) {
    bool before[kJoystickSlots];
    for (unsigned id = 0; id < kJoystickSlots; ++id) before[id] = GetJoystickSnapshot(id).connected;
    index = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
    if (index < 0) return -1;
    device = SDL_JoystickOpen(index);
    Pump();
    // The id that turned up (a real pad on the machine may hold another).
    for (unsigned id = 0; id < kJoystickSlots; ++id)
      if (!before[id] && GetJoystickSnapshot(id).connected) return static_cast<int>(id);
    return -1;
  }

  JoystickSnapshot After(void (*drive)(SDL_Joystick*), unsigned id) {
    drive(device);
    Pump();
    return GetJoystickSnapshot(id);
  }

  int index = -1;
  SDL_Joystick* device = nullptr;
};

TEST_F(VirtualPadTest, GameControllerReportsLeftStickDpadAndFaceButtons) {
  const int id = Attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                        SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(id, 0) << SDL_GetError();
  ASSERT_TRUE(SDL_IsGameController(index));
  const auto slot = static_cast<unsigned>(id);
  JoyCaps caps{};
  EXPECT_EQ(JoyGetDevCaps(slot, &caps, sizeof caps), kJoyNoError);
  EXPECT_EQ(caps.xMax, 65535u);

  JoystickSnapshot s = After(
      [](SDL_Joystick* j) {
        SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTX, 32767);
        SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTY, -32768);
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, 1);
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_Y, 1);
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_START, 1);
      },
      slot);
  EXPECT_EQ(s.x, 65535);
  EXPECT_EQ(s.y, 0);
  EXPECT_EQ(s.buttons, 0b1001);

  s = After(
      [](SDL_Joystick* j) {
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
        SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, 0);
      },
      slot);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.y, 65535);
  EXPECT_EQ(s.buttons, 0b1000);

  SDL_JoystickClose(device);
  device = nullptr;
  SDL_JoystickDetachVirtual(index);
  index = -1;
  Pump();
  JoyInfo info{};
  EXPECT_EQ(JoyGetPos(slot, &info), kJoyUnplugged);
}

TEST_F(VirtualPadTest, PlainJoystickReportsAxesHatAndFirstFourButtons) {
  const int id = Attach(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 6, 1);
  ASSERT_GE(id, 0) << SDL_GetError();
  ASSERT_FALSE(SDL_IsGameController(index));
  const auto slot = static_cast<unsigned>(id);

  JoystickSnapshot s = After(
      [](SDL_Joystick* j) {
        SDL_JoystickSetVirtualAxis(j, 0, -32768);
        SDL_JoystickSetVirtualAxis(j, 1, 0);
        SDL_JoystickSetVirtualButton(j, 1, 1);
        SDL_JoystickSetVirtualButton(j, 5, 1);
      },
      slot);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.y, 32768);
  EXPECT_EQ(s.buttons, 0b0010);

  s = After([](SDL_Joystick* j) { SDL_JoystickSetVirtualHat(j, 0, SDL_HAT_RIGHTUP); }, slot);
  EXPECT_EQ(s.x, 65535);
  EXPECT_EQ(s.y, 0);
}

}  // namespace
}  // namespace oru
