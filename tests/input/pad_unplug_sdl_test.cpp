// A real pad pulled out while held: SDL's virtual joystick attached, a direction and a button
// held, then detached; the pad must let go of everything it held.
#include <SDL.h>
#include <gtest/gtest.h>

#include "oru/input/pad.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace oru {
namespace {

void Pump() {
  MessageRecord m;
  while (PeekMessage(&m)) {
  }
}

TEST(PadUnplugTest, DetachedJoystickReleasesItsDirectionAndButtons) {
  ResetJoysticksForTesting();
  if (!JoystickStartUp()) GTEST_SKIP() << "no joystick service";
  Pump();
  // Only a pad that takes id 0 drives a pad configured for joystick 0.
  if (GetJoystickSnapshot(0).connected) GTEST_SKIP() << "a real pad holds joystick 0";
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* device = SDL_JoystickOpen(index);
  ASSERT_NE(device, nullptr) << SDL_GetError();
  Pump();
  ASSERT_TRUE(GetJoystickSnapshot(0).connected);

  Pad pad;
  pad.Configure(0, 0);
  SDL_JoystickSetVirtualAxis(device, 0, -32768);  // full left
  SDL_JoystickSetVirtualButton(device, 0, 1);
  Pump();
  pad.Poll();
  EXPECT_NE(pad.Held(PadLeft), 0);
  EXPECT_NE(pad.Held(PadButton1), 0);

  SDL_JoystickClose(device);
  SDL_JoystickDetachVirtual(index);
  Pump();
  pad.Poll();
  for (int button = 0; button < kPadButtons; ++button) {
    SCOPED_TRACE(button);
    EXPECT_EQ(pad.Held(button), 0);
  }
  ResetJoysticksForTesting();
}

}  // namespace
}  // namespace oru
