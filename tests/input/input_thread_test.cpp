// InputThread: the flat key table, calibration, priorities of opposite directions, the latch.
#include "oru/input/input_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "tests/support/wait_for.h"

namespace oru {
namespace {

void ReleaseAllKeys() {
  for (int vk = 0; vk < 256; ++vk) SetKeyState(vk, false);
}

std::vector<int> GroupKeys(const InputKeyGroups& groups, int group) {
  std::vector<int> keys;
  for (int key : groups[static_cast<unsigned>(group)]) {
    if (key == 0) break;
    keys.push_back(key);
  }
  return keys;
}

TEST(InputKeyTable, DefaultTableLoadsEightGroups) {
  InputKeyGroups groups{};
  EXPECT_EQ(LoadInputKeyTable(kDefaultInputKeys, groups), 8);
  EXPECT_EQ(GroupKeys(groups, 0), (std::vector<int>{VK_UP, VK_NUMPAD8}));
  EXPECT_EQ(GroupKeys(groups, 2), (std::vector<int>{VK_RIGHT, VK_NUMPAD6}));
  EXPECT_EQ(GroupKeys(groups, 4), (std::vector<int>{'Z', VK_CONTROL, VK_SPACE, VK_RETURN}));
  EXPECT_EQ(GroupKeys(groups, 7), (std::vector<int>{'V'}));
  EXPECT_EQ(groups[8][0], 0);
}

TEST(InputKeyTable, NineKeysFitAndTheTenthEntryEndsTheGroup) {
  InputKeyGroups groups{};
  for (auto& g : groups) g.fill(-7);
  const std::vector<int> codes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 11, 0, 0};
  EXPECT_EQ(LoadInputKeyTable(codes, groups), 2);
  EXPECT_EQ(GroupKeys(groups, 0), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(groups[0][9], 0);
  EXPECT_EQ(GroupKeys(groups, 1), (std::vector<int>{11}));
  EXPECT_EQ(groups[2][0], -7) << "groups past the table are left alone";
}

TEST(InputKeyTable, OversizedInputStaysInsideTheGroups) {
  InputKeyGroups groups{};
  // A group of twelve keys keeps its first nine; the next group still starts after its 0.
  std::vector<int> codes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 21, 0, 0};
  EXPECT_EQ(LoadInputKeyTable(codes, groups), 2);
  EXPECT_EQ(GroupKeys(groups, 0), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(GroupKeys(groups, 1), (std::vector<int>{21}));

  // More groups than there are lists: the first 32 are loaded.
  codes.clear();
  for (int g = 0; g < 40; ++g) codes.insert(codes.end(), {g + 1, 0});
  codes.push_back(0);
  groups = InputKeyGroups{};
  EXPECT_EQ(LoadInputKeyTable(codes, groups), kInputKeyGroups);
  EXPECT_EQ(GroupKeys(groups, 31), (std::vector<int>{32}));

  // A table that ends without its closing zeros ends where it runs out.
  groups = InputKeyGroups{};
  const std::vector<int> cut = {5, 6, 0, 7};
  EXPECT_EQ(LoadInputKeyTable(cut, groups), 2);
  EXPECT_EQ(GroupKeys(groups, 1), (std::vector<int>{7}));
  EXPECT_EQ(LoadInputKeyTable(std::span<const int>{}, groups), 0);
}

TEST(InputCalibration, DeadZoneIsTheMiddleTwoThirds) {
  struct Case {
    std::uint32_t min, max;
    std::int32_t centre, low, high;
  };
  const Case cases[] = {
      {0, 600, 300, -200, 200},
      {0, 65535, 32767, -21844, 21845},
      {100, 700, 400, -200, 200},
      {0, 0xFFFFFFFFu, 0x7FFFFFFF, -1431655764, 1431655765},
  };
  for (const Case& c : cases) {
    const InputCalibration cal = CalibrationFor(c.min, c.max, c.min, c.max);
    EXPECT_EQ(cal.xCentre, c.centre) << c.max;
    EXPECT_EQ(cal.xLow, c.low) << c.max;
    EXPECT_EQ(cal.xHigh, c.high) << c.max;
    EXPECT_EQ(cal.yCentre, c.centre) << c.max;
    EXPECT_EQ(cal.yLow, c.low) << c.max;
    EXPECT_EQ(cal.yHigh, c.high) << c.max;
  }
}

// The thread is stopped so each test drives the polls itself.
class InputThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ResetJoysticksForTesting();
    input.Stop();
  }
  void TearDown() override {
    ReleaseAllKeys();
    ResetJoysticksForTesting();
  }

  std::uint32_t PollWith(std::initializer_list<int> keys) {
    for (int key : keys) SetKeyState(key, true);
    input.Poll();
    for (int key : keys) SetKeyState(key, false);
    return input.State();
  }

  InputThread input;
};

TEST_F(InputThreadTest, StartsWithTheDefaultsAndNoJoystick) {
  EXPECT_EQ(input.IntervalMs(), 20u);
  EXPECT_EQ(input.JoystickId(), 0u);
  EXPECT_EQ(input.State(), 0u);
  EXPECT_EQ(input.Latch(), 0u);
}

TEST_F(InputThreadTest, KeysSetTheirBitsAndOppositeDirectionsGiveWay) {
  struct Case {
    std::initializer_list<int> keys;
    std::uint32_t state;
  };
  const Case cases[] = {
      {{VK_UP}, InputUp},
      {{VK_NUMPAD2}, InputDown},
      {{VK_NUMPAD6}, InputRight},
      {{VK_LEFT}, InputLeft},
      {{VK_UP, VK_DOWN}, InputUp},
      {{VK_NUMPAD8, VK_NUMPAD2}, InputUp},
      {{VK_LEFT, VK_RIGHT}, InputLeft},
      {{VK_NUMPAD4, VK_NUMPAD6}, InputLeft},
      {{VK_DOWN, VK_RIGHT}, InputDown | InputRight},
      {{VK_CONTROL}, InputButton1},
      {{VK_RETURN}, InputButton1},
      {{VK_SHIFT}, InputButton2},
      {{VK_ESCAPE}, InputButton3},
      {{'V'}, InputButton4},
      {{'Z', 'X', 'C', 'V'}, InputButton1 | InputButton2 | InputButton3 | InputButton4},
      {{VK_NUMPAD0, 'T'}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PollWith(c.keys), c.state) << "first key " << *c.keys.begin();
}

TEST_F(InputThreadTest, JoystickThresholdsAroundTheCalibratedCentre) {
  SetJoystickRange(0, 0, 600, 0, 600);
  SetJoystickSnapshot(0, {true, 300, 300, 0});
  ASSERT_EQ(input.Calibrate(0), 1);
  struct Case {
    std::uint16_t x, y, buttons;
    std::uint32_t state;
  };
  const Case cases[] = {
      {300, 300, 0, 0},
      {99, 300, 0, InputLeft},
      {100, 300, 0, 0},
      {501, 300, 0, InputRight},
      {500, 300, 0, 0},
      {300, 99, 0, InputUp},
      {300, 100, 0, 0},
      {300, 501, 0, InputDown},
      {300, 500, 0, 0},
      {0, 600, 0, InputLeft | InputDown},
      {300, 300, 0x1F, InputButton1 | InputButton2 | InputButton3 | InputButton4},
      {300, 300, 0x5, InputButton1 | InputButton3},
  };
  for (const Case& c : cases) {
    SetJoystickSnapshot(0, {true, c.x, c.y, c.buttons});
    input.Poll();
    EXPECT_EQ(input.State(), c.state) << "x " << c.x << " y " << c.y << " buttons " << c.buttons;
  }
  // Keys and joystick add up.
  SetJoystickSnapshot(0, {true, 501, 300, 0});
  EXPECT_EQ(PollWith({VK_UP}), InputUp | InputRight);
}

TEST_F(InputThreadTest, FailedCalibrationKeepsTheThresholds) {
  SetJoystickRange(0, 0, 600, 0, 600);
  SetJoystickSnapshot(0, {true, 300, 300, 0});
  ASSERT_EQ(input.Calibrate(0), 1);
  SetJoystickSnapshot(0, {false, 0, 0, 0});
  EXPECT_EQ(input.Calibrate(0), 0);
  const InputCalibration cal = input.Calibration();
  EXPECT_EQ(cal.xCentre, 300);
  EXPECT_EQ(cal.xLow, -200);
  EXPECT_EQ(cal.yHigh, 200);
  EXPECT_EQ(input.Calibrate(kJoystickSlots + 3), 0);
}

TEST_F(InputThreadTest, PadPluggedInLaterIsCalibratedAtItsFirstReading) {
  // Construction found no joystick; a pad at rest must not read as a direction.
  SetJoystickSnapshot(0, {true, 32768, 32768, 0});
  input.Poll();
  EXPECT_EQ(input.State(), 0u);
  SetJoystickSnapshot(0, {true, 65535, 32768, 0});
  input.Poll();
  EXPECT_EQ(input.State(), InputRight);
}

TEST_F(InputThreadTest, LatchHoldsWhileTheKeyIsDownAndClearsAfterRelease) {
  SetKeyState('X', true);
  SetKeyState(VK_UP, true);
  input.Poll();
  input.SetLatch(InputButton2 | InputUp);
  input.Poll();
  input.Poll();
  EXPECT_EQ(input.Latch(), InputButton2 | InputUp);
  SetKeyState('X', false);
  input.Poll();
  EXPECT_EQ(input.Latch(), InputUp);
  SetKeyState(VK_UP, false);
  input.Poll();
  EXPECT_EQ(input.Latch(), 0u);
}

TEST_F(InputThreadTest, TakePressedReportsEachPressOnce) {
  SetKeyState(VK_SPACE, true);
  input.Poll();
  EXPECT_EQ(input.TakePressed(InputButton1 | InputButton2), InputButton1);
  input.Poll();
  EXPECT_EQ(input.TakePressed(InputButton1 | InputButton2), 0u);
  EXPECT_EQ(input.State(), InputButton1) << "taking a press leaves the state alone";
  SetKeyState(VK_SPACE, false);
  input.Poll();
  SetKeyState(VK_SPACE, true);
  input.Poll();
  EXPECT_EQ(input.TakePressed(InputButton1), InputButton1);
}

TEST_F(InputThreadTest, SetKeyTableReplacesTheGroups) {
  const std::vector<int> codes = {'W', 0, 'S', 0, 'D', 0, 'A', 0, 'J', 0, 0};
  input.SetKeyTable(codes);
  input.Stop();
  EXPECT_EQ(PollWith({'W', 'D'}), InputUp | InputRight);
  EXPECT_EQ(PollWith({'J'}), InputButton1);
  EXPECT_EQ(PollWith({VK_UP, VK_SPACE}), 0u);
}

TEST(InputThreadRunning, PollsOnItsOwnUntilDestroyed) {
  ReleaseAllKeys();
  ResetJoysticksForTesting();
  {
    InputThread input;
    SetKeyState('C', true);
    EXPECT_TRUE(WaitFor([&] { return input.State() == InputButton3; }, std::chrono::seconds(10)));
    SetKeyState('C', false);
  }
  ReleaseAllKeys();
}

}  // namespace
}  // namespace oru
