// The screen surface in windowed mode: presenting dirty tiles into the canvas, one's own colours
// shown and saved alike, and a refused switch to full screen that leaves everything as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "oru/data/last_error.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/screen_surface.h"
#include "tests/support/fake_canvas.h"
#include "tests/support/scratch_folder.h"

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

// After SetColours the window, a picture saved from the screen and the colours matched for
// drawing all use the new table; before it, SaveBitmap wrote the old colour table.
TEST(ScreenSurfaceTest, OwnColoursReachTheWindowTheSavedPictureAndDrawing) {
  PaletteTable table;
  table.SetEntry(7, 10, 200, 30);
  table.SetEntry(180, 250, 240, 5);
  auto canvas = std::make_unique<FakeCanvas>();
  ScreenSurface screen;
  ASSERT_EQ(screen.Create(640, 480), 1);
  screen.Fill(7);
  screen.Update(canvas.get(), 0, 0);
  screen.SetColours(table);

  // A colour of the new table is drawn with its own index.
  EXPECT_EQ(screen.FillRectColour(Rect{20, 0, 30, 10}, 0x05F0FA), 1);  // 0x00BBGGRR
  EXPECT_EQ(screen.PixelAt(25, 5), 180);

  screen.Update(canvas.get(), 0, 0);  // the call asked for a full redraw
  EXPECT_EQ(canvas->At(300, 300), 0x0AC81Eu);
  EXPECT_EQ(canvas->At(25, 5), 0xFAF005u);

  test::ScratchFolder folder("own_colours");
  const std::string path = folder.Path("screen.bmp");
  ASSERT_EQ(SaveBitmap(screen, path.c_str()), 1) << LastError();
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  // File header (14 bytes), info header (40), then blue, green, red, flags per entry.
  constexpr std::size_t kColours = 54;
  ASSERT_GT(bytes.size(), kColours + 1024);
  for (const int index : {7, 180}) {
    const std::uint8_t* e = bytes.data() + kColours + index * 4;
    EXPECT_EQ(e[2], table.Red(index)) << index;
    EXPECT_EQ(e[1], table.Green(index)) << index;
    EXPECT_EQ(e[0], table.Blue(index)) << index;
  }
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
