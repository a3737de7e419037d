// The Win32 back end's windows, loop and timer against the system itself (under Wine in CI):
// posted messages reach their window's procedure, the canvas reaches the window's pixels, and
// the multimedia timer ticks, stops and restarts from inside its own tick.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "oru/platform/canvas.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/native_window.h"
#include "oru/platform/periodic_timer.h"
#include "oru/platform/win32/win32_window_internal.h"
#include "tests/support/wait_for.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

std::vector<MessageRecord> received;
// Whether the procedure limits the window to the canvas's size, as the game's window does.
bool heldAtCanvasSize = false;

MessageResult RecordingProc(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  received.push_back({window, message, wParam, lParam});
  if (message == WM_GETMINMAXINFO && heldAtCanvasSize)
    reinterpret_cast<MinMaxInfo*>(lParam)->maxTrackSize = {Canvas::kWidth, Canvas::kHeight};
  return DefWindowProc(window, message, wParam, lParam);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartVideo());
    RegisterWindowClass("ORUCLASS", &RecordingProc);
    window_ = CreateNativeWindow("ORUCLASS", "test", WS_OVERLAPPEDWINDOW, kUseDefault, kUseDefault,
                                 Canvas::kWidth, Canvas::kHeight);
    ASSERT_NE(window_, nullptr);
    received.clear();
  }
  void TearDown() override {
    if (window_) DestroyNativeWindow(window_);
    MessageRecord m;
    while (PeekMessage(&m)) {
    }
    ResetMessageQueueForTesting();
  }

  // Runs the loop until a message of this number reaches the window, for at most a few seconds.
  bool PumpUntil(unsigned message) {
    return WaitFor([&] {
      MessageRecord m;
      while (PeekMessage(&m)) DispatchMessage(m);
      for (const MessageRecord& r : received)
        if (r.message == message) return true;
      return false;
    });
  }

  WindowHandle window_ = nullptr;
};

TEST_F(Win32WindowTest, APostedMessageReachesItsHandlerWithItsArguments) {
  constexpr unsigned kMine = 0x0400 + 7;
  ASSERT_TRUE(PostMessage(window_, kMine, 42, -5));
  ASSERT_TRUE(PumpUntil(kMine));
  const MessageRecord& r = received.back();
  EXPECT_EQ(r.window, window_);
  EXPECT_EQ(r.wParam, 42u);
  EXPECT_EQ(r.lParam, -5);
}

TEST_F(Win32WindowTest, TheCloseButtonBecomesAClose) {
  ::SendMessageW(HwndOf(window_), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(PumpUntil(WM_CLOSE));
  // The default processing of the library's WM_CLOSE destroys the window.
  EXPECT_FALSE(IsNativeWindow(window_));
  window_ = nullptr;
}

TEST_F(Win32WindowTest, TheCanvasReachesTheWindowsPixels) {
  ShowNativeWindow(window_, SW_SHOWNORMAL);
  int width = 0, height = 0;
  ASSERT_TRUE(GetClientSize(window_, &width, &height));
  ASSERT_EQ(width, Canvas::kWidth);
  ASSERT_EQ(height, Canvas::kHeight);
  Canvas* canvas = CanvasOf(window_);
  ASSERT_NE(canvas, nullptr);
  {
    std::lock_guard lock(canvas->Mutex());
    for (int y = 0; y < Canvas::kHeight; ++y)
      for (int x = 0; x < Canvas::kWidth; ++x)
        canvas->Pixels()[y * Canvas::kWidth + x] = x < 320 ? 0x00FF0000u : 0x000000FFu;
  }
  PresentCanvas(window_, true);

  // Read the client area back through a DIB of our own.
  HWND hwnd = HwndOf(window_);
  HDC windowDc = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(windowDc);
  HBITMAP copy = CreateCompatibleBitmap(windowDc, width, height);
  HGDIOBJ old = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  const int rows = GetDIBits(memory, copy, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(copy);
  DeleteDC(memory);
  ReleaseDC(hwnd, windowDc);
  ASSERT_EQ(rows, height);
  EXPECT_EQ(pixels[100 * width + 10] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(pixels[100 * width + 630] & 0xFFFFFF, 0x0000FFu);
}

// Maximising a window its limits hold at its size would only pin it to the corner (and under
// Wine let the window manager stretch it over the screen, the picture left in a corner): it is
// shown at its size instead. A window free to grow is maximised.
TEST_F(Win32WindowTest, OnlyAWindowFreeToGrowIsMaximised) {
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "held at its size" : "free to grow");
    heldAtCanvasSize = held;
    ShowNativeWindow(window_, SW_SHOWMAXIMIZED);
    EXPECT_EQ(IsZoomed(HwndOf(window_)) != 0, !held);
    int width = 0, height = 0;
    ASSERT_TRUE(GetClientSize(window_, &width, &height));
    if (held) {
      EXPECT_EQ(width, Canvas::kWidth);
      EXPECT_EQ(height, Canvas::kHeight);
    }
    ShowNativeWindow(window_, SW_RESTORE);
  }
  heldAtCanvasSize = false;
}

// Key data as the system sends it: repeat count 1, the scan code, the extended-key bit.
LPARAM KeyData(int scanCode, bool extended, bool up) {
  LPARAM data = 1 | (static_cast<LPARAM>(scanCode) << 16);
  if (extended) data |= LPARAM{1} << 24;
  if (up) data |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return data;
}

TEST_F(Win32WindowTest, KeysReachTheWindowAndTheKeyFlags) {
  HWND hwnd = HwndOf(window_);
  struct Case {
    WPARAM systemKey;
    int scanCode;
    bool extended;
    int reported;  // the code the window's WM_KEYDOWN carries
    int flag;      // a side-specific flag that is down meanwhile, or the key itself
  } cases[] = {
      {VK_LEFT, 0x4B, true, VK_LEFT, VK_LEFT},
      {'C', 0x2E, false, 'C', 'C'},
      {VK_SHIFT, 0x36, false, VK_SHIFT, VK_RSHIFT},
      {VK_CONTROL, 0x1D, true, VK_CONTROL, VK_RCONTROL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reported);
    received.clear();
    const std::uint32_t presses = KeyPressCount(c.flag);
    PostMessageW(hwnd, WM_KEYDOWN, c.systemKey, KeyData(c.scanCode, c.extended, false));
    ASSERT_TRUE(PumpUntil(WM_KEYDOWN));
    EXPECT_EQ(received.back().wParam, static_cast<WParam>(c.reported));
    EXPECT_NE(GetAsyncKeyState(c.flag) & 0x8000, 0);
    EXPECT_EQ(KeyPressCount(c.flag), presses + 1);
    PostMessageW(hwnd, WM_KEYUP, c.systemKey, KeyData(c.scanCode, c.extended, true));
    ASSERT_TRUE(PumpUntil(WM_KEYUP));
    EXPECT_EQ(GetAsyncKeyState(c.flag) & 0x8000, 0);
  }
}

TEST_F(Win32WindowTest, MousePositionsArriveInThePicturesCoordinates) {
  // A client area twice the picture's size shows it at scale 2 (the window scales to fit).
  ASSERT_TRUE(SetClientSize(window_, 2 * Canvas::kWidth, 2 * Canvas::kHeight));
  int width = 0, height = 0;
  GetClientSize(window_, &width, &height);
  if (width != 2 * Canvas::kWidth || height != 2 * Canvas::kHeight)
    GTEST_SKIP() << "the screen is too small for a client area of " << 2 * Canvas::kWidth;
  PostMessageW(HwndOf(window_), WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));
  ASSERT_TRUE(PumpUntil(WM_MOUSEMOVE));
  EXPECT_EQ(LowWord(static_cast<std::uintptr_t>(received.back().lParam)), 100);
  EXPECT_EQ(HighWord(static_cast<std::uintptr_t>(received.back().lParam)), 50);
}

struct TimerProbe {
  PeriodicTimer timer;
  std::atomic<int> ticks{0};
  std::atomic<std::uint32_t> firstId{0};
  std::atomic<std::uint32_t> restartedId{0};
  std::atomic<int> ticksAfterRestart{0};

  static void Tick(std::uint32_t id, std::uint32_t, std::uintptr_t user, std::uintptr_t,
                   std::uintptr_t) {
    auto* self = reinterpret_cast<TimerProbe*>(user);
    if (id == self->restartedId) {
      // The restarted event ticks; stopping it from inside its tick ends it.
      if (++self->ticksAfterRestart == 3) self->timer.Stop();
      return;
    }
    if (++self->ticks == 5) self->restartedId = self->timer.Start(2, &Tick, user);
  }
};

TEST(Win32TimerTest, TicksStopsAndRestartsFromInsideItsOwnTick) {
  TimerProbe probe;
  probe.firstId = probe.timer.Start(1, &TimerProbe::Tick, reinterpret_cast<std::uintptr_t>(&probe));
  ASSERT_NE(probe.firstId.load(), 0u);
  ASSERT_TRUE(WaitFor([&] { return probe.ticksAfterRestart >= 3; }));
  ASSERT_TRUE(WaitFor([&] { return probe.timer.Id() == 0; }));
  EXPECT_NE(probe.restartedId.load(), probe.firstId.load());
  // Once stopped, neither event ticks again.
  const int ticks = probe.ticks, after = probe.ticksAfterRestart;
  Sleep(50);
  EXPECT_EQ(probe.ticks.load(), ticks);
  EXPECT_EQ(probe.ticksAfterRestart.load(), after);
  EXPECT_EQ(ticks, 5);
}

}  // namespace
}  // namespace oru
