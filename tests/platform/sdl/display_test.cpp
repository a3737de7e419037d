// The SDL display back end on SDL's dummy video driver: taking the window and giving it back
// with its size and place, the visible picture reaching the window's canvas through the
// palette, and the display lost while the window is minimised.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "oru/platform/canvas.h"
#include "oru/platform/display.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/mouse.h"
#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {
namespace {

MessageResult PlainProc(WindowHandle w, unsigned message, WParam wParam, LParam lParam) {
  return DefWindowProc(w, message, wParam, lParam);
}

void PushWindowEvent(WindowHandle window, std::uint8_t event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(SdlWindowOf(window));
  e.window.event = event;
  SDL_PushEvent(&e);
  MessageRecord m;
  while (PeekMessage(&m)) {
  }
}

TEST(SdlDisplayTest, TakesTheWindowShowsThePictureAndGivesItBack) {
  if (!StartVideo()) GTEST_SKIP() << "no SDL video driver";
  RegisterWindowClass("ORUDISPLAYTEST", &PlainProc);
  const WindowHandle window =
      CreateNativeWindow("ORUDISPLAYTEST", "display", WS_OVERLAPPEDWINDOW, 40, 30, 640, 480);
  ASSERT_NE(window, nullptr);
  SDL_SetWindowMaximumSize(SdlWindowOf(window), 640, 480);

  std::unique_ptr<Display> display = CreateSystemDisplay();
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->SetCooperativeLevel(nullptr, Display::kExclusiveFullScreen), 0);
  ASSERT_EQ(display->SetCooperativeLevel(window, Display::kExclusiveFullScreen), 1);
  EXPECT_TRUE(display->Taken());
  EXPECT_NE(SDL_GetWindowFlags(SdlWindowOf(window)) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
  EXPECT_EQ(display->SetDisplayMode(640, 480, 16), 0);
  ASSERT_EQ(display->SetDisplayMode(640, 480, 8), 1);
  EXPECT_EQ(SDL_RenderGetIntegerScale(SdlRendererOf(window)), SDL_TRUE);

  auto primary = display->CreatePrimary(1);
  ASSERT_NE(primary, nullptr);
  ASSERT_NE(primary->BackBuffer(), nullptr);
  PaletteEntry entries[256] = {};
  entries[7] = PaletteEntry{0x12, 0x34, 0x56, 0};
  auto palette = display->CreatePalette(entries);
  primary->SetPalette(palette.get());

  int pitch = 0;
  std::uint8_t* back = primary->BackBuffer()->Lock(&pitch);
  ASSERT_NE(back, nullptr);
  back[5 * pitch + 9] = 7;
  primary->BackBuffer()->Unlock();
  ASSERT_EQ(primary->BltFast(0, 0, primary->BackBuffer(), Rect{0, 0, 16, 16}), 1);
  Canvas* canvas = CanvasOf(window);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(canvas->Pixels()[5 * Canvas::kWidth + 9], 0x123456u);
  // A palette change recolours what is already on the screen.
  entries[7] = PaletteEntry{0xAA, 0xBB, 0xCC, 0};
  palette->SetEntries(7, 1, &entries[7]);
  EXPECT_EQ(canvas->Pixels()[5 * Canvas::kWidth + 9], 0xAABBCCu);

  // Minimised: lost, and not restorable until the window is back.
  PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_EQ(primary->IsLost(), 1);
  EXPECT_EQ(primary->Restore(), 0);
  EXPECT_EQ(primary->BltFast(0, 0, primary->BackBuffer(), Rect{0, 0, 16, 16}), 0);
  PushWindowEvent(window, SDL_WINDOWEVENT_RESTORED);
  EXPECT_EQ(primary->Restore(), 1);
  EXPECT_EQ(primary->IsLost(), 0);

  primary.reset();
  ASSERT_EQ(display->SetCooperativeLevel(nullptr, Display::kNormal), 1);
  display->RestoreDisplayMode();
  EXPECT_FALSE(display->Taken());
  EXPECT_EQ(SDL_GetWindowFlags(SdlWindowOf(window)) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
  EXPECT_EQ(SDL_RenderGetIntegerScale(SdlRendererOf(window)), SDL_FALSE);
  int w = 0, h = 0, x = 0, y = 0;
  SDL_GetWindowSize(SdlWindowOf(window), &w, &h);
  SDL_GetWindowPosition(SdlWindowOf(window), &x, &y);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(x, 40);
  EXPECT_EQ(y, 30);
  SDL_GetWindowMaximumSize(SdlWindowOf(window), &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  DestroyNativeWindow(window);
}

// Full screen shows the 640 x 480 picture scaled and centred on a larger screen; the pointer must
// be read in the picture's coordinates, or a click in the middle of the screen lands elsewhere.
LParam lastMoveParam = 0;
MessageResult MoveRecordingProc(WindowHandle w, unsigned message, WParam wParam, LParam lParam) {
  if (message == WM_MOUSEMOVE) lastMoveParam = lParam;
  return DefWindowProc(w, message, wParam, lParam);
}

TEST(SdlDisplayTest, ThePointerReadsInPictureCoordinatesInFullScreen) {
  if (!StartVideo()) GTEST_SKIP() << "no SDL video driver";
  RegisterWindowClass("ORUPOINTERTEST", &MoveRecordingProc);
  const WindowHandle window =
      CreateNativeWindow("ORUPOINTERTEST", "pointer", WS_OVERLAPPEDWINDOW, 40, 30, 640, 480);
  ASSERT_NE(window, nullptr);
  ShowNativeWindow(window, SW_SHOWNORMAL);
  std::unique_ptr<Display> display = CreateSystemDisplay();
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(display->SetCooperativeLevel(window, Display::kExclusiveFullScreen), 1);
  ASSERT_EQ(display->SetDisplayMode(640, 480, 8), 1);
  SDL_Window* sdlWindow = SdlWindowOf(window);
  int screenWidth = 0, screenHeight = 0;
  SDL_GetWindowSize(sdlWindow, &screenWidth, &screenHeight);
  if (screenWidth < 640 || screenHeight < 480) GTEST_SKIP() << "screen smaller than the picture";
  // Whole-number scaling, centred: the picture's top-left corner and the scale.
  const int scale = std::min(screenWidth / 640, screenHeight / 480);
  const int left = (screenWidth - 640 * scale) / 2;
  const int top = (screenHeight - 480 * scale) / 2;

  struct Case {
    int fieldX, fieldY;
  };
  for (const Case c : {Case{320, 240}, Case{0, 0}, Case{639, 479}, Case{17, 400}}) {
    SCOPED_TRACE(testing::Message() << c.fieldX << "," << c.fieldY);
    SDL_WarpMouseInWindow(sdlWindow, left + c.fieldX * scale, top + c.fieldY * scale);
    MessageRecord m;
    while (PeekMessage(&m)) DispatchMessage(m);
    Point p{-1, -1};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, c.fieldX);
    EXPECT_EQ(p.y, c.fieldY);
    EXPECT_EQ(static_cast<int>(lastMoveParam & 0xFFFF), c.fieldX);
    EXPECT_EQ(static_cast<int>((lastMoveParam >> 16) & 0xFFFF), c.fieldY);
  }
  ASSERT_EQ(display->SetCooperativeLevel(nullptr, Display::kNormal), 1);
  display->RestoreDisplayMode();
  DestroyNativeWindow(window);
}

TEST(DisplaySurfaceTest, CopiesAreClippedOrRefused) {
  Display display;
  ASSERT_EQ(display.SetDisplayMode(64, 32, 8), 1);
  auto primary = display.CreatePrimary(0);
  auto off = display.CreateOffScreen(20, 10);
  ASSERT_NE(primary, nullptr);
  ASSERT_NE(off, nullptr);
  EXPECT_EQ(primary->BackBuffer(), nullptr);
  int pitch = 0;
  off->Lock(&pitch)[9 * pitch + 19] = 5;
  // BltFast refuses rectangles reaching past either surface; Blt clips them.
  EXPECT_EQ(primary->BltFast(50, 0, off.get(), Rect{0, 0, 20, 10}), 0);
  EXPECT_EQ(primary->BltFast(0, 0, off.get(), Rect{0, 0, 21, 10}), 0);
  EXPECT_EQ(primary->Blt(Rect{50, 25, 70, 35}, off.get(), Rect{0, 0, 20, 10}), 1);
  EXPECT_EQ(primary->PixelsForShow()[31 * primary->Pitch() + 63], 0);
  EXPECT_EQ(primary->Blt(Rect{-19, -9, 1, 1}, off.get(), Rect{0, 0, 20, 10}), 1);
  EXPECT_EQ(primary->PixelsForShow()[0], 5);
  EXPECT_EQ(display.CreateOffScreen(0, 10), nullptr);
}

}  // namespace
}  // namespace oru
