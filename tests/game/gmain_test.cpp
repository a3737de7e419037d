// The game window's stop handshake and size limit, without a native window.
#include "game/gmain.h"

#include <gtest/gtest.h>

#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "tests/support/scoped_default_window_proc.h"

namespace brellow {

using namespace oru;

namespace {

MessageResult NoDefault(WindowHandle, unsigned, WParam, LParam) { return 0; }

class GameWindowTest : public ::testing::Test {
 private:
  ScopedDefaultWindowProc defaultProc_{&NoDefault};
};

TEST_F(GameWindowTest, CloseStopsTheGameThreadBeforeReturning) {
  // Closing at once, possibly before the thread has run at all, must still stop it.
  for (int i = 0; i < 20; ++i) {
    GameWindow window;
    ASSERT_TRUE(window.StartGameThread());
    window.HandleMessage(nullptr, WM_CLOSE, 0, 0);
    EXPECT_FALSE(window.ThreadAlive());
  }
}

TEST_F(GameWindowTest, MaximumTrackingSizeIsTheClientArea) {
  GameWindow window;
  MinMaxInfo info{};
  info.maxTrackSize = {1920, 1080};
  window.HandleMessage(nullptr, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));
  EXPECT_EQ(info.maxTrackSize.x, 640);
  EXPECT_EQ(info.maxTrackSize.y, 480);
}

class HandledGameWindow : public GameWindow {
 public:
  void SetHandle(WindowHandle h) { handle = h; }
};

TEST_F(GameWindowTest, EscapePostsACloseRequestToItself) {
  HandledGameWindow window;
  const auto fake = reinterpret_cast<WindowHandle>(0x1000);
  window.SetHandle(fake);
  window.HandleMessage(fake, WM_KEYDOWN, VK_ESCAPE, 1);
  MessageRecord m{};
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.window, fake);
  EXPECT_EQ(m.message, WM_CLOSE);
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_EQ(m.lParam, 0);
}

}  // namespace
}  // namespace brellow
