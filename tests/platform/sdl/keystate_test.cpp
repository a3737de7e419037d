// The key flags and the scancode table.
#include "oru/platform/keystate.h"
#include "oru/platform/sdl/scancodes_internal.h"

#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>

#include "oru/platform/keys.h"

namespace oru {
namespace {

class KeyStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearKeyState(); }
  void TearDown() override { ClearKeyState(); }
  static bool Down(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
};

TEST_F(KeyStateTest, FlagsReadAsTheHighBit) {
  EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
  SetKeyState(VK_SPACE, true);
  EXPECT_LT(GetAsyncKeyState(VK_SPACE), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SPACE) & 0xFFFF, 0x8000);
  SetKeyState(VK_SPACE, false);
  EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
  // Out-of-range codes are ignored on write and read as up.
  SetKeyState(256, true);
  SetKeyState(-1, true);
  EXPECT_EQ(GetAsyncKeyState(256), 0);
  EXPECT_EQ(GetAsyncKeyState(-1), 0);
}

TEST_F(KeyStateTest, ScancodeTable) {
  struct Case {
    int scancode;
    bool numLock;
    int vk;
  };
  const Case cases[] = {
      {SDL_SCANCODE_A, false, 'A'},
      {SDL_SCANCODE_Z, true, 'Z'},
      {SDL_SCANCODE_0, false, '0'},
      {SDL_SCANCODE_9, false, '9'},
      {SDL_SCANCODE_SPACE, false, VK_SPACE},
      {SDL_SCANCODE_RETURN, false, VK_RETURN},
      {SDL_SCANCODE_KP_ENTER, true, VK_RETURN},
      {SDL_SCANCODE_ESCAPE, false, VK_ESCAPE},
      {SDL_SCANCODE_F3, false, VK_F3},
      {SDL_SCANCODE_F4, false, VK_F4},
      {SDL_SCANCODE_F12, false, VK_F12},
      {SDL_SCANCODE_LEFT, false, VK_LEFT},
      {SDL_SCANCODE_UP, true, VK_UP},
      {SDL_SCANCODE_RIGHT, false, VK_RIGHT},
      {SDL_SCANCODE_DOWN, false, VK_DOWN},
      {SDL_SCANCODE_KP_4, true, VK_NUMPAD4},
      {SDL_SCANCODE_KP_4, false, VK_LEFT},
      {SDL_SCANCODE_KP_8, true, VK_NUMPAD8},
      {SDL_SCANCODE_KP_8, false, VK_UP},
      {SDL_SCANCODE_KP_6, false, VK_RIGHT},
      {SDL_SCANCODE_KP_2, false, VK_DOWN},
      {SDL_SCANCODE_KP_7, false, VK_HOME},
      {SDL_SCANCODE_KP_1, false, VK_END},
      {SDL_SCANCODE_KP_9, false, VK_PRIOR},
      {SDL_SCANCODE_KP_3, false, VK_NEXT},
      {SDL_SCANCODE_KP_5, false, VK_CLEAR},
      {SDL_SCANCODE_KP_0, true, VK_NUMPAD0},
      {SDL_SCANCODE_KP_0, false, VK_INSERT},
      {SDL_SCANCODE_KP_PERIOD, true, VK_DECIMAL},
      {SDL_SCANCODE_KP_PERIOD, false, VK_DELETE},
      {SDL_SCANCODE_LSHIFT, false, VK_LSHIFT},
      {SDL_SCANCODE_RCTRL, false, VK_RCONTROL},
      {SDL_SCANCODE_CAPSLOCK, false, 0},
      {-1, false, 0},
      {SDL_NUM_SCANCODES, false, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VirtualKeyFromScancode(c.scancode, c.numLock), c.vk)
        << "scancode " << c.scancode << " numLock " << c.numLock;
  }
}

TEST_F(KeyStateTest, EitherSideHoldsTheGenericShiftAndControl) {
  EXPECT_EQ(ApplyKeyEvent(SDL_SCANCODE_LSHIFT, true, false), VK_SHIFT);
  EXPECT_TRUE(Down(VK_SHIFT));
  EXPECT_TRUE(Down(VK_LSHIFT));
  ApplyKeyEvent(SDL_SCANCODE_RSHIFT, true, false);
  ApplyKeyEvent(SDL_SCANCODE_LSHIFT, false, false);
  EXPECT_TRUE(Down(VK_SHIFT)) << "right Shift is still held";
  ApplyKeyEvent(SDL_SCANCODE_RSHIFT, false, false);
  EXPECT_FALSE(Down(VK_SHIFT));

  EXPECT_EQ(ApplyKeyEvent(SDL_SCANCODE_RCTRL, true, false), VK_CONTROL);
  EXPECT_TRUE(Down(VK_CONTROL));
  ApplyKeyEvent(SDL_SCANCODE_RCTRL, false, false);
  EXPECT_FALSE(Down(VK_CONTROL));
  EXPECT_FALSE(Down(VK_RCONTROL));
}

TEST_F(KeyStateTest, KeypadKeyIsReleasedUnderTheCodeItWentDownWith) {
  EXPECT_EQ(ApplyKeyEvent(SDL_SCANCODE_KP_4, true, true), VK_NUMPAD4);
  EXPECT_TRUE(Down(VK_NUMPAD4));
  // Num Lock switched off while the key was held.
  EXPECT_EQ(ApplyKeyEvent(SDL_SCANCODE_KP_4, false, false), VK_NUMPAD4);
  EXPECT_FALSE(Down(VK_NUMPAD4));
  EXPECT_FALSE(Down(VK_LEFT));
}

TEST_F(KeyStateTest, ClearReleasesEverything) {
  ApplyKeyEvent(SDL_SCANCODE_LEFT, true, false);
  ApplyKeyEvent(SDL_SCANCODE_LCTRL, true, false);
  SetKeyState(VK_LBUTTON, true);
  ClearKeyState();
  for (int vk : {static_cast<int>(VK_LEFT), static_cast<int>(VK_CONTROL),
                 static_cast<int>(VK_LCONTROL), static_cast<int>(VK_LBUTTON)})
    EXPECT_FALSE(Down(vk)) << vk;
  EXPECT_EQ(ApplyKeyEvent(SDL_SCANCODE_CAPSLOCK, true, false), 0);
}

}  // namespace
}  // namespace oru
