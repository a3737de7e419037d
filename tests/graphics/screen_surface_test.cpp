// The screen surface in windowed mode: presenting dirty tiles into the canvas, and a refused
// switch to full screen that leaves everything as it was.
#include <gtest/gtest.h>

#include <memory>

#include "oru/graphics/screen_surface.h"
#include "tests/support/fake_canvas.h"

namespace oru {
namespace {

TEST(ScreenSurfaceTest, UpdatePresentsOnlyDirtyTilesToTheCanvas) {
  auto canvas = std::make_unique<FakeCanvas>();
  ScreenSurface screen;
  Surface background, layer, sprite;
  ASSERT_EQ(screen.Create(640, 480), 1);
  ASSERT_EQ(background.Create(640, 480), 1);
  background.Fill(19);
  ASSERT_EQ(sprite.Create(10, 10), 1);
  sprite.Fill(249);
  screen.SetBackdrop(&background);
  screen.SetScene(&layer);
  layer.AddChild(&sprite);
  sprite.SetPosition(60, 40);

  ASSERT_EQ(screen.Update(canvas.get(), 0, 0), 1);
  ASSERT_EQ(canvas->shown.size(), 1u);  // first frame: everything
  EXPECT_EQ(canvas->shown[0].right, 640);
  EXPECT_EQ(canvas->At(60, 40), CanvasColour(screen, 249));
  EXPECT_EQ(canvas->At(0, 0), CanvasColour(screen, 19));

  canvas->shown.clear();
  sprite.SetPosition(62, 40);
  screen.Update(canvas.get(), 0, 0);
  // Only tile (1, 1) changed: one strip of one tile.
  ASSERT_EQ(canvas->shown.size(), 1u);
  EXPECT_EQ(canvas->shown[0].left, 48);
  EXPECT_EQ(canvas->shown[0].top, 32);
  EXPECT_EQ(canvas->shown[0].right, 96);
  EXPECT_EQ(canvas->shown[0].bottom, 64);
  EXPECT_EQ(canvas->At(60, 40), CanvasColour(screen, 19));
  EXPECT_EQ(canvas->At(62, 40), CanvasColour(screen, 249));
}

TEST(ScreenSurfaceTest, RefusedFullScreenKeepsTheWindowedSurface) {
  ScreenSurface screen;
  ASSERT_EQ(screen.Create(640, 480), 1);
  const Rect clip{10, 20, 300, 400};
  screen.SetClipRect(&clip);
  screen.Fill(7);
  std::uint8_t* pixels = screen.Lock();
  screen.fullRedraw = 0;

  EXPECT_EQ(screen.SetFullScreen(1), 0);
  EXPECT_EQ(ScreenSurface::IsFullScreen(), 0);
  EXPECT_EQ(screen.Lock(), pixels);
  EXPECT_EQ(screen.PixelAt(639, 479), 7);
  EXPECT_EQ(screen.clipLeft, 10);
  EXPECT_EQ(screen.clipBottom, 400);
  EXPECT_EQ(screen.fullRedraw, 1);

  screen.fullRedraw = 0;
  EXPECT_EQ(screen.SetFullScreen(0), 0);  // already windowed: only the redraw request
  EXPECT_EQ(screen.fullRedraw, 1);
  EXPECT_EQ(screen.clipTop, 20);
}

}  // namespace
}  // namespace oru
