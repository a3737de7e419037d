// Pad: key layouts, the button-to-column order, joystick thresholds, held versus newly pressed.
#include "oru/input/pad.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace oru {
namespace {

void ReleaseAllKeys() {
  for (int vk = 0; vk < 256; ++vk) SetKeyState(vk, false);
}

class PadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllKeys();
    ResetJoysticksForTesting();
    Configure(0, 0);
  }
  void TearDown() override {
    ReleaseAllKeys();
    ResetJoysticksForTesting();
  }

  // Configures and polls twice with nothing down, so the shared masks start clear.
  void Configure(int joystick, int layout) {
    pad.Configure(joystick, layout);
    pad.Poll();
    pad.Poll();
  }

  // Bit n set when Held(n) is non-zero.
  unsigned HeldMask() const {
    unsigned mask = 0;
    for (int n = 0; n < kPadButtons; ++n)
      if (pad.Held(n)) mask |= 1u << n;
    return mask;
  }

  Pad pad;
};

constexpr unsigned Bit(int button) { return 1u << button; }

struct KeyCase {
  int layout;
  int key;
  unsigned held;  // buttons held while only this key is down
};

TEST_F(PadTest, EachLayoutMapsItsKeysToTheRightButtons) {
  const KeyCase cases[] = {
      // Layout 0: arrows and numeric pad; the numeric-pad 6 is right, not down.
      {0, VK_UP, Bit(PadUp)},
      {0, VK_DOWN, Bit(PadDown)},
      {0, VK_RIGHT, Bit(PadRight)},
      {0, VK_LEFT, Bit(PadLeft)},
      {0, VK_NUMPAD8, Bit(PadUp)},
      {0, VK_NUMPAD2, Bit(PadDown)},
      {0, VK_NUMPAD6, Bit(PadRight)},
      {0, VK_NUMPAD4, Bit(PadLeft)},
      {0, VK_SPACE, Bit(PadButton1)},
      {0, 'Z', Bit(PadButton1)},
      {0, VK_SHIFT, Bit(PadButton1)},
      {0, VK_RETURN, Bit(PadButton2)},
      {0, 'X', Bit(PadButton2)},
      {0, VK_CONTROL, Bit(PadButton2)},
      {0, 'C', Bit(PadButton3)},
      {0, VK_ESCAPE, Bit(PadButton3)},
      {0, 'V', Bit(PadButton4)},
      {0, VK_NUMPAD0, 0},
      {0, 'T', 0},
      // Layout 1: numeric pad 0 and 5 fire; letters do nothing.
      {1, VK_NUMPAD6, Bit(PadRight)},
      {1, VK_NUMPAD0, Bit(PadButton1)},
      {1, VK_NUMPAD5, Bit(PadButton2)},
      {1, VK_SPACE, Bit(PadButton1)},
      {1, 'Z', 0},
      {1, VK_SHIFT, 0},
      // Layout 2: letters only.
      {2, 'T', Bit(PadUp)},
      {2, 'B', Bit(PadDown)},
      {2, 'H', Bit(PadRight)},
      {2, 'F', Bit(PadLeft)},
      {2, 'Z', Bit(PadButton1)},
      {2, 'V', Bit(PadButton4)},
      {2, VK_UP, 0},
      {2, VK_NUMPAD6, 0},
      // Layout 3: Escape is button 2, Return on the second map is button 1.
      {3, VK_ESCAPE, Bit(PadButton2)},
      {3, VK_RETURN, Bit(PadButton1)},
      {3, 'Z', Bit(PadButton1)},
      {3, 'X', Bit(PadButton2)},
      {3, VK_NUMPAD2, Bit(PadDown)},
      {3, 'C', 0},
  };
  for (const KeyCase& c : cases) {
    Configure(0, c.layout);
    SetKeyState(c.key, true);
    EXPECT_EQ(HeldMask(), c.held) << "layout " << c.layout << " key " << c.key;
    SetKeyState(c.key, false);
  }
}

TEST_F(PadTest, BlankMapsHoldNoKeyAndEndWithKeyZero) {
  Configure(0, 2);
  const Pad::KeyMap blank = {-1, -1, -1, -1, -1, -1, -1, 0};
  EXPECT_EQ(pad.Map(1), blank);
  EXPECT_EQ(pad.Map(2), blank);
}

TEST_F(PadTest, LayoutOutsideTheFourMapsNoKey) {
  for (int layout : {-1, 4, 100}) {
    Configure(0, layout);
    for (int vk = 1; vk < 256; ++vk) {
      SetKeyState(vk, true);
      EXPECT_EQ(HeldMask(), 0u) << "layout " << layout << " key " << vk;
      SetKeyState(vk, false);
    }
  }
}

TEST_F(PadTest, ButtonNumbersOutsideTheEightAreNeverDown) {
  for (int vk = 1; vk < 256; ++vk) SetKeyState(vk, true);
  for (int n : {-1, 8, 31, 32}) {
    EXPECT_EQ(pad.Held(n), 0) << n;
    EXPECT_EQ(pad.Pressed(n), 0) << n;
  }
}

TEST_F(PadTest, NonZeroJoystickFlagPicksJoystickOne) {
  Configure(7, 0);
  EXPECT_EQ(pad.JoystickId(), 1);
  SetJoystickSnapshot(1, {true, 65535, 32768, 0});
  pad.Poll();
  EXPECT_EQ(HeldMask(), Bit(PadRight));
  Configure(0, 0);
  EXPECT_EQ(pad.JoystickId(), 0);
  EXPECT_EQ(HeldMask(), 0u);
}

struct StickCase {
  std::uint16_t x, y;
  unsigned held;
};

TEST_F(PadTest, JoystickDirectionsUseStrictThirdOfTheRange) {
  // Range 0..600: centre 300, limit 200 on both axes.
  SetJoystickRange(0, 0, 600, 0, 600);
  SetJoystickSnapshot(0, {true, 300, 300, 0});
  Configure(0, 0);
  const StickCase cases[] = {
      {300, 300, 0},
      {501, 300, Bit(PadRight)},
      {500, 300, 0},
      {99, 300, Bit(PadLeft)},
      {100, 300, 0},
      {300, 501, Bit(PadDown)},
      {300, 500, 0},
      {300, 99, Bit(PadUp)},
      {300, 100, 0},
      {600, 0, Bit(PadRight) | Bit(PadUp)},
      {0, 600, Bit(PadLeft) | Bit(PadDown)},
  };
  for (const StickCase& c : cases) {
    SetJoystickSnapshot(0, {true, c.x, c.y, 0});
    pad.Poll();
    EXPECT_EQ(HeldMask(), c.held) << "x " << c.x << " y " << c.y;
  }
}

TEST_F(PadTest, JoystickButtonsReturnTheirOwnBit) {
  SetJoystickSnapshot(0, {true, 32768, 32768, 0b1010});
  Configure(0, 0);
  pad.Poll();
  EXPECT_EQ(pad.Held(PadButton1), 0);
  EXPECT_EQ(pad.Held(PadButton2), 2);
  EXPECT_EQ(pad.Held(PadButton3), 0);
  EXPECT_EQ(pad.Held(PadButton4), 8);
  EXPECT_EQ(HeldMask(), Bit(PadButton2) | Bit(PadButton4));
}

// A pad pulled out while a direction is held would otherwise keep the crab walking on its own.
TEST_F(PadTest, FailedReadReleasesEveryDirectionAndButton) {
  SetJoystickSnapshot(0, {true, 65535, 0, 1});
  Configure(0, 0);
  pad.Poll();
  ASSERT_EQ(HeldMask(), Bit(PadUp) | Bit(PadRight) | Bit(PadButton1));
  SetJoystickSnapshot(0, {false, 65535, 0, 1});
  pad.Poll();
  EXPECT_EQ(HeldMask(), 0u);
  // Plugged in again, it is read with its ranges as before.
  SetJoystickSnapshot(0, {true, 0, 32768, 0});
  pad.Poll();
  EXPECT_EQ(HeldMask(), Bit(PadLeft));
}

TEST_F(PadTest, PadPluggedInAfterConfigureReadsItsRanges) {
  // Configured with no joystick: the ranges could not be read then.
  SetJoystickSnapshot(0, {true, 32768, 32768, 0});
  pad.Poll();
  EXPECT_EQ(HeldMask(), 0u);
  SetJoystickSnapshot(0, {true, 32768, 0, 0});
  pad.Poll();
  EXPECT_EQ(HeldMask(), Bit(PadUp));
}

TEST_F(PadTest, PressedOnlyAtTheFirstPollThatSeesTheButton) {
  SetKeyState(VK_SPACE, true);
  std::vector<int> pressed;
  std::vector<int> held;
  for (int poll = 0; poll < 3; ++poll) {
    pad.Poll();
    pressed.push_back(pad.Pressed(PadButton1));
    held.push_back(pad.Held(PadButton1));
  }
  EXPECT_EQ(pressed, (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(held, (std::vector<int>{1, 1, 1}));

  SetKeyState(VK_SPACE, false);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 0);
  SetKeyState(VK_SPACE, true);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 1);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 0);
}

// A key pressed and released between two frames' polls must still fire once: players tap faster
// than a frame.
TEST_F(PadTest, TapBetweenPollsReadsAsPressedOnce) {
  SetKeyState(VK_SPACE, true);
  SetKeyState(VK_SPACE, false);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 1);
  EXPECT_EQ(pad.Held(PadButton1), 0);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 0);

  // Two taps in one frame are one press; a tap of a key another map shares reaches each button
  // that key feeds.
  SetKeyState('V', true);
  SetKeyState('V', false);
  SetKeyState('V', true);
  SetKeyState('V', false);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton4), 1);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton4), 0);
}

// The game polls, then its rules read Pressed a little later: a key that goes down in between
// belongs to the next poll, and must not read as new in both frames.
TEST_F(PadTest, KeyDownAfterThePollCountsFromTheNextPollOnly) {
  struct Case {
    const char* name;
    bool release;  // let go again before the next poll: a tap
  };
  for (const Case& c : {Case{"held on", false}, Case{"short tap", true}}) {
    SCOPED_TRACE(c.name);
    Configure(0, 0);
    std::vector<int> pressed;
    pad.Poll();
    SetKeyState('V', true);
    for (int poll = 0; poll < 3; ++poll) {
      pressed.push_back(pad.Pressed(PadButton4));
      if (poll == 0 && c.release) SetKeyState('V', false);
      pad.Poll();
    }
    pressed.push_back(pad.Pressed(PadButton4));
    EXPECT_EQ(pressed, (std::vector<int>{0, 1, 0, 0}));
    SetKeyState('V', false);
  }
}

TEST_F(PadTest, PressesBeforeConfigureAreNotTaps) {
  SetKeyState(VK_RETURN, true);
  SetKeyState(VK_RETURN, false);
  pad.Configure(0, 0);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton2), 0);
}

TEST_F(PadTest, PressedAlsoCountsJoystickButtons) {
  SetJoystickSnapshot(0, {true, 32768, 32768, 0});
  Configure(0, 0);
  SetJoystickSnapshot(0, {true, 32768, 32768, 4});
  pad.Poll();
  EXPECT_NE(pad.Pressed(PadButton3), 0);
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton3), 0);
  EXPECT_NE(pad.Held(PadButton3), 0);
}

TEST_F(PadTest, MasksAreKeptPerJoystickId) {
  Pad other;
  other.Configure(1, 0);
  other.Poll();
  other.Poll();
  SetKeyState(VK_RETURN, true);
  pad.Poll();
  pad.Poll();
  other.Poll();
  // Pad 0 has seen Return at two polls; pad 1 at one, so for it Return is new.
  EXPECT_EQ(pad.Pressed(PadButton2), 0);
  EXPECT_EQ(other.Pressed(PadButton2), 1);
}

// The published layouts are what Configure loads: every key a layout gives a button holds that
// button and no other, and the blank slots hold nothing.
TEST_F(PadTest, PublishedLayoutKeysHoldTheirButtons) {
  for (int layout = 0; layout < kPadLayouts; ++layout) {
    Configure(0, layout);
    for (int map = 0; map < kPadKeyMaps; ++map) {
      EXPECT_EQ(pad.Map(map),
                kPadKeyLayouts[static_cast<unsigned>(layout)][static_cast<unsigned>(map)]);
      for (int button = 0; button < kPadButtons; ++button) {
        const int key = PadLayoutKey(layout, map, button);
        if (key == -1) continue;
        // A key may feed other buttons of the same layout too (Escape in layout 0 is only
        // button 3, but a key could be shared); the button itself must be held.
        SetKeyState(key, true);
        EXPECT_TRUE(HeldMask() & Bit(button))
            << "layout " << layout << " map " << map << " button " << button << " key " << key;
        SetKeyState(key, false);
      }
    }
  }
}

TEST_F(PadTest, LayoutKeyLookupReadsByButtonNumberAndRefusesWhatIsOutOfRange) {
  struct Case {
    int layout, map, button, key;
  };
  const Case cases[] = {
      {0, 0, PadRight, VK_RIGHT},  // button order up, right, down, left over column order
      {0, 0, PadDown, VK_DOWN},
      {0, 1, PadRight, VK_NUMPAD6},
      {2, 0, PadRight, 'H'},
      {2, 0, PadDown, 'B'},
      {3, 0, PadButton2, VK_ESCAPE},
      {0, 2, PadButton3, VK_ESCAPE},
      {0, 0, PadButton3, -1},
      {2, 1, PadButton4, -1},  // key code 0 of a blank map is no key
      {-1, 0, PadUp, -1},
      {4, 0, PadUp, -1},
      {0, 3, PadUp, -1},
      {0, -1, PadUp, -1},
      {0, 0, 8, -1},
      {0, 0, -1, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PadLayoutKey(c.layout, c.map, c.button), c.key)
        << "layout " << c.layout << " map " << c.map << " button " << c.button;
}

// An AZERTY player moves with Z Q S D: the new keys work, the replaced ones no longer do, the
// other buttons keep theirs.
TEST_F(PadTest, SetButtonKeysReplacesOneButtonsKeysOnly) {
  Configure(0, 2);
  ASSERT_TRUE(pad.SetButtonKeys(PadUp, {'Z', VK_UP, -1}));
  ASSERT_TRUE(pad.SetButtonKeys(PadLeft, {'Q', 0, 300}));  // 0 and 300 are no key
  EXPECT_EQ(pad.ButtonKeys(PadUp), (std::array<int, kPadKeyMaps>{'Z', VK_UP, -1}));
  EXPECT_EQ(pad.ButtonKeys(PadLeft), (std::array<int, kPadKeyMaps>{'Q', -1, -1}));
  const KeyCase cases[] = {
      {2, 'Z', Bit(PadUp) | Bit(PadButton1)},  // Z stays button 1 as well
      {2, VK_UP, Bit(PadUp)},
      {2, 'T', 0},
      {2, 'Q', Bit(PadLeft)},
      {2, 'F', 0},
      {2, 'H', Bit(PadRight)},
      {2, 'B', Bit(PadDown)},
  };
  for (const KeyCase& c : cases) {
    SetKeyState(c.key, true);
    EXPECT_EQ(HeldMask(), c.held) << "key " << c.key;
    SetKeyState(c.key, false);
  }
  EXPECT_FALSE(pad.SetButtonKeys(8, {'A', 'B', 'C'}));
  EXPECT_FALSE(pad.SetButtonKeys(-1, {'A', 'B', 'C'}));
  EXPECT_EQ(pad.ButtonKeys(8), (std::array<int, kPadKeyMaps>{-1, -1, -1}));
  // Configure puts the layout back.
  Configure(0, 2);
  EXPECT_EQ(pad.ButtonKeys(PadUp), (std::array<int, kPadKeyMaps>{'T', -1, -1}));
}

// A key tapped before it was given to the button is not a press of that button.
TEST_F(PadTest, TapsBeforeSetButtonKeysAreNotPresses) {
  SetKeyState('K', true);
  SetKeyState('K', false);
  pad.SetButtonKeys(PadButton1, {'K', -1, -1});
  pad.Poll();
  EXPECT_EQ(pad.Pressed(PadButton1), 0);
  SetKeyState('K', true);
  SetKeyState('K', false);
  pad.Poll();
  EXPECT_NE(pad.Pressed(PadButton1), 0);
}

}  // namespace
}  // namespace oru
