// The message loop: translation of SDL events, posted messages, close requests, hooks and the
// canvas show requests. Windows are real SDL windows on the dummy video driver.
#include "oru/platform/event_loop.h"
#include "oru/platform/sdl/sdl_window_internal.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "oru/platform/canvas.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_events_internal.h"

namespace oru {
namespace {

const WindowHandle kFake = reinterpret_cast<WindowHandle>(0x1000);

SDL_Event KeyEvent(bool down, SDL_Scancode scancode, std::uint16_t mod = 0, bool repeat = false) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.keysym.scancode = scancode;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat;
  return e;
}

SDL_Event WindowEvent(SDL_WindowEventID id) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = id;
  return e;
}

SDL_Event MotionEvent(int x, int y, std::uint32_t buttons) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  e.motion.state = buttons;
  return e;
}

class EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearKeyState();
    ResetMessageQueueForTesting();
  }
  void TearDown() override {
    ClearKeyState();
    ResetMessageQueueForTesting();
  }
};

TEST_F(EventLoopTest, TranslatesSdlEventsIntoMessages) {
  struct Case {
    const char* name;
    SDL_Event event;
    std::vector<MessageRecord> expected;
  };
  const LParam up = static_cast<LParam>((LParam{1} << 31) | (LParam{1} << 30) | 1);
  const std::vector<Case> cases = {
      {"letter", KeyEvent(true, SDL_SCANCODE_A), {{kFake, WM_KEYDOWN, 'A', 1}}},
      {"auto-repeat sets the previous-state bit",
       KeyEvent(true, SDL_SCANCODE_A, 0, true),
       {{kFake, WM_KEYDOWN, 'A', (LParam{1} << 30) | 1}}},
      {"key up", KeyEvent(false, SDL_SCANCODE_ESCAPE), {{kFake, WM_KEYUP, VK_ESCAPE, up}}},
      {"either Shift arrives as VK_SHIFT",
       KeyEvent(true, SDL_SCANCODE_RSHIFT),
       {{kFake, WM_KEYDOWN, VK_SHIFT, 1}}},
      {"keypad with Num Lock",
       KeyEvent(true, SDL_SCANCODE_KP_8, KMOD_NUM),
       {{kFake, WM_KEYDOWN, VK_NUMPAD8, 1}}},
      {"keypad without Num Lock",
       KeyEvent(true, SDL_SCANCODE_KP_8),
       {{kFake, WM_KEYDOWN, VK_UP, 1}}},
      {"key without a code", KeyEvent(true, SDL_SCANCODE_CAPSLOCK), {}},
      {"exposed", WindowEvent(SDL_WINDOWEVENT_EXPOSED), {{kFake, WM_PAINT, 0, 0}}},
      {"close request", WindowEvent(SDL_WINDOWEVENT_CLOSE), {{kFake, WM_CLOSE, 0, 0}}},
      {"focus gained",
       WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED),
       {{kFake, WM_ACTIVATE, WA_ACTIVE, 0}}},
      {"focus lost",
       WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST),
       {{kFake, WM_ACTIVATE, WA_INACTIVE, 0}}},
      {"minimised", WindowEvent(SDL_WINDOWEVENT_MINIMIZED), {{kFake, WM_ACTIVATE, 0x10000, 0}}},
      {"motion",
       MotionEvent(320, 200, SDL_BUTTON_LMASK),
       {{kFake, WM_SETCURSOR, reinterpret_cast<WParam>(kFake), MakeLParam(1, WM_MOUSEMOVE)},
        {kFake, WM_MOUSEMOVE, 1, MakeLParam(320, 200)}}},
      {"motion outside the client area gives unsigned words",
       MotionEvent(-5, -2, 0),
       {{kFake, WM_SETCURSOR, reinterpret_cast<WParam>(kFake), MakeLParam(1, WM_MOUSEMOVE)},
        {kFake, WM_MOUSEMOVE, 0, MakeLParam(0xFFFB, 0xFFFE)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearKeyState();
    MessageRecord out[kMaxTranslated];
    const int n = TranslateEvent(c.event, kFake, out);
    ASSERT_EQ(n, static_cast<int>(c.expected.size()));
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(out[i].window, c.expected[i].window);
      EXPECT_EQ(out[i].message, c.expected[i].message);
      EXPECT_EQ(out[i].wParam, c.expected[i].wParam);
      EXPECT_EQ(out[i].lParam, c.expected[i].lParam);
    }
  }
}

TEST_F(EventLoopTest, KeyAndButtonEventsDriveTheKeyFlags) {
  MessageRecord out[kMaxTranslated];
  TranslateEvent(KeyEvent(true, SDL_SCANCODE_LEFT), kFake, out);
  EXPECT_NE(GetAsyncKeyState(VK_LEFT), 0);
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_RIGHT;
  TranslateEvent(button, kFake, out);
  EXPECT_NE(GetAsyncKeyState(VK_RBUTTON), 0);
  // Losing the focus releases everything: no key-up events follow.
  TranslateEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), kFake, out);
  EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_RBUTTON), 0);
  // Keys count even when no window is there to receive the message.
  EXPECT_EQ(TranslateEvent(KeyEvent(true, SDL_SCANCODE_SPACE), nullptr, out), 0);
  EXPECT_NE(GetAsyncKeyState(VK_SPACE), 0);
}

TEST_F(EventLoopTest, KeyDownTranslatesIntoACharacter) {
  struct Case {
    int vk;
    bool shift;
    int ch;  // 0: no WM_CHAR
  };
  const Case cases[] = {
      {'A', false, 'a'},        {'A', true, 'A'},       {'7', false, '7'},
      {VK_NUMPAD3, false, '3'}, {VK_SPACE, false, ' '}, {VK_RETURN, false, '\r'},
      {VK_ESCAPE, false, 27},   {VK_F3, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    SetKeyState(VK_SHIFT, c.shift);
    TranslateMessage({kFake, WM_KEYDOWN, static_cast<WParam>(c.vk), 1});
    MessageRecord m{};
    if (c.ch == 0) {
      EXPECT_FALSE(PeekMessage(&m));
      continue;
    }
    ASSERT_TRUE(PeekMessage(&m));
    EXPECT_EQ(m.message, WM_CHAR);
    EXPECT_EQ(m.wParam, static_cast<WParam>(c.ch));
    EXPECT_EQ(m.window, kFake);
  }
}

TEST_F(EventLoopTest, PostedMessagesKeepTheirOrderAndQuitComesLast) {
  std::thread poster([] {
    for (unsigned i = 0; i < 100; ++i) PostMessage(kFake, 0x400 + i, i, -static_cast<LParam>(i));
    PostQuitMessage(3);
  });
  poster.join();
  EXPECT_FALSE(PostMessage(nullptr, WM_CLOSE, 0, 0));
  MessageRecord m{};
  for (unsigned i = 0; i < 100; ++i) {
    ASSERT_TRUE(GetMessage(&m));
    EXPECT_EQ(m.message, 0x400 + i);
    EXPECT_EQ(m.wParam, i);
    EXPECT_EQ(m.lParam, -static_cast<LParam>(i));
  }
  EXPECT_FALSE(GetMessage(&m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(EventLoopTest, GetMessageWakesForAMessagePostedLater) {
  ASSERT_TRUE(StartEvents());
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(kFake, WM_CLOSE, 0, 0);
  });
  MessageRecord m{};
  EXPECT_TRUE(GetMessage(&m));
  EXPECT_EQ(m.message, WM_CLOSE);
  poster.join();
}

TEST_F(EventLoopTest, CloseRequestWithoutAWindowEndsTheLoop) {
  RequestClose();
  MessageRecord m{};
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 0u);
}

int hookCalls = 0;
std::uint32_t hookSawType = 0;
void CountingHook(const SDL_Event& e) {
  ++hookCalls;
  hookSawType = e.type;
}

TEST_F(EventLoopTest, HooksSeeRawEventsOnce) {
  ASSERT_TRUE(StartEvents());
  MessageRecord m{};
  while (PeekMessage(&m)) {
  }
  AddEventHook(&CountingHook);
  AddEventHook(&CountingHook);
  hookCalls = 0;
  static const std::uint32_t kType = SDL_RegisterEvents(1);
  SDL_Event e{};
  e.type = kType;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  EXPECT_FALSE(PeekMessage(&m));
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(hookSawType, kType);
  RemoveEventHook(&CountingHook);
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  EXPECT_FALSE(PeekMessage(&m));
  EXPECT_EQ(hookCalls, 1);
}

// A window on the dummy video driver whose procedure records what it gets.
std::vector<MessageRecord> received;
MessageResult RecordingProc(WindowHandle w, unsigned message, WParam wParam, LParam lParam) {
  received.push_back({w, message, wParam, lParam});
  return DefWindowProc(w, message, wParam, lParam);
}

class NativeWindowTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    if (!StartVideo()) GTEST_SKIP() << "no SDL video driver";
    RegisterWindowClass("TESTCLASS", &RecordingProc);
    received.clear();
  }
};

TEST_F(NativeWindowTest, CloseRequestGoesToTheMainWindowAndDefaultProcessingDestroysIt) {
  const WindowHandle w = CreateNativeWindow("TESTCLASS", "test", WS_OVERLAPPEDWINDOW, kUseDefault,
                                            kUseDefault, kUseDefault, kUseDefault);
  ASSERT_NE(w, nullptr);
  int width = 0, height = 0;
  ASSERT_TRUE(GetClientSize(w, &width, &height));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0].message, static_cast<unsigned>(WM_GETMINMAXINFO))
      << "size limits are asked first";

  RequestClose();
  MessageRecord m{};
  while (PeekMessage(&m) && m.message != WM_CLOSE) {
  }
  ASSERT_EQ(m.message, static_cast<unsigned>(WM_CLOSE));
  EXPECT_EQ(m.window, w);
  received.clear();
  DispatchMessage(m);
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0].message, static_cast<unsigned>(WM_CLOSE));
  EXPECT_EQ(received[1].message, static_cast<unsigned>(WM_DESTROY));
  EXPECT_FALSE(IsNativeWindow(w));
  EXPECT_EQ(CanvasOf(w), nullptr);
  // Messages to a window that has gone are dropped.
  received.clear();
  EXPECT_EQ(SendMessage(w, WM_PAINT, 0, 0), 0);
  EXPECT_TRUE(received.empty());
}

TEST_F(NativeWindowTest, CanvasShowRequestsCoalesce) {
  const WindowHandle w = CreateNativeWindow("TESTCLASS", "test", 0, kUseDefault, kUseDefault,
                                            kUseDefault, kUseDefault);
  ASSERT_NE(w, nullptr);
  Canvas* canvas = CanvasOf(w);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(CanvasOf(nullptr), nullptr);
  MessageRecord m{};
  while (PeekMessage(&m)) {
  }
  for (int i = 0; i < 50; ++i) canvas->Show({i, i, i + 10, i + 10});
  canvas->Show({700, 500, 800, 600});  // outside the canvas: nothing to show
  SDL_PumpEvents();
  const auto show = ShowEventType();
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, show, show), 1) << "one request in the queue";
  while (PeekMessage(&m)) {
  }
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, show, show), 0);
  // Once shown, the next change asks again.
  canvas->Show({0, 0, 1, 1});
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, show, show), 1);
  EXPECT_TRUE(DestroyNativeWindow(w));
  EXPECT_FALSE(DestroyNativeWindow(w));
  while (PeekMessage(&m)) {
  }
}

TEST_F(NativeWindowTest, WindowBoundsItsSizeThroughTheMinMaxAnswer) {
  struct Limit {
    static MessageResult Proc(WindowHandle w, unsigned message, WParam wParam, LParam lParam) {
      if (message == WM_GETMINMAXINFO)
        reinterpret_cast<MinMaxInfo*>(lParam)->maxTrackSize = {320, 200};
      return DefWindowProc(w, message, wParam, lParam);
    }
  };
  RegisterWindowClass("LIMITCLASS", &Limit::Proc);
  const WindowHandle w = CreateNativeWindow("LIMITCLASS", "limit", WS_OVERLAPPEDWINDOW, kUseDefault,
                                            kUseDefault, kUseDefault, kUseDefault);
  ASSERT_NE(w, nullptr);
  int width = 0, height = 0;
  GetClientSize(w, &width, &height);
  EXPECT_LE(width, 320);
  EXPECT_LE(height, 200);
  int maxW = 0, maxH = 0;
  SDL_GetWindowMaximumSize(SdlWindowOf(w), &maxW, &maxH);
  EXPECT_EQ(maxW, 320);
  EXPECT_EQ(maxH, 200);
  DestroyNativeWindow(w);
}

TEST_F(NativeWindowTest, UnknownClassCreatesNothing) {
  EXPECT_EQ(CreateNativeWindow("NOSUCHCLASS", "x", 0, 0, 0, 10, 10), nullptr);
  EXPECT_FALSE(RegisterWindowClass("TESTCLASS", &RecordingProc)) << "registered already";
  EXPECT_FALSE(RegisterWindowClass(nullptr, &RecordingProc));
}

// What loading before the loop checks: a close request is seen before the loop runs, and stays queued
// for the loop to deliver.
TEST(LoadCancelTest, ClosePendingSeesARequestAndLeavesItQueued) {
  ResetMessageQueueForTesting();
  EXPECT_FALSE(ClosePending());
  RequestClose();
  EXPECT_TRUE(ClosePending());
  EXPECT_TRUE(ClosePending());
  MessageRecord m{};
  ASSERT_TRUE(PeekMessage(&m));  // no window: the request ends the loop
  EXPECT_EQ(m.message, static_cast<unsigned>(WM_QUIT));
  EXPECT_FALSE(ClosePending());
  ResetMessageQueueForTesting();
}

}  // namespace
}  // namespace oru
