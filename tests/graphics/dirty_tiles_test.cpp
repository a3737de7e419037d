// Dirty tiles: marking, merging marked tiles into strips, presenting into a canvas, and the
// per-frame refresh with a backdrop and a scene.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "oru/graphics/surface.h"
#include "tests/support/fake_canvas.h"

namespace oru {
namespace {

using Tiles = std::set<std::pair<int, int>>;

Tiles Marked(const Surface& s) {
  Tiles out;
  for (int r = 0; r < s.tilesDown; ++r)
    for (int c = 0; c < s.tilesAcross; ++c)
      if (s.IsTileMarked(c, r)) out.insert({c, r});
  return out;
}

TEST(DirtyTilesTest, GridFollowsTheSize) {
  Surface s;
  ASSERT_EQ(s.Create(640, 480), 1);
  EXPECT_EQ(s.tilesAcross, 14);
  EXPECT_EQ(s.tilesDown, 15);
  EXPECT_EQ(s.fullRedraw, 1);
  EXPECT_TRUE(Marked(s).empty());
}

TEST(DirtyTilesTest, MarkDirtyCases) {
  const struct {
    const char* name;
    int x, y, w, h;
    Tiles expected;
  } cases[] = {
      {"straddles a tile edge", 47, 0, 2, 1, {{0, 0}, {1, 0}}},
      {"exactly one tile", 48, 0, 48, 32, {{1, 0}}},
      {"negative corner raised, size kept", -100, -100, 10, 10, {{0, 0}}},
      {"past the right edge", 600, 470, 100, 40, {{12, 14}, {13, 14}}},
      {"zero width inside a tile", 50, 40, 0, 8, {{1, 1}}},
      {"zero width on a tile edge", 48, 32, 0, 0, {}},
      {"outside entirely", 700, 10, 20, 20, {}},
  };
  Surface s;
  ASSERT_EQ(s.Create(640, 480), 1);
  for (const auto& c : cases) {
    s.SetAllMarks(0);
    s.MarkDirty(c.x, c.y, c.w, c.h);
    EXPECT_EQ(Marked(s), c.expected) << c.name;
  }
  Surface empty;
  empty.MarkDirty(0, 0, 10, 10);  // no grid: nothing happens
}

TEST(DirtyTilesTest, BlitMarksDestinationAndTranslatedBackdrop) {
  Surface screen, backdrop, sprite;
  ASSERT_EQ(screen.Create(640, 480), 1);
  ASSERT_EQ(backdrop.Create(640, 480), 1);
  ASSERT_EQ(sprite.Create(10, 10), 1);
  screen.SetBackdrop(&backdrop);
  backdrop.SetPosition(48, 0);
  screen.fullRedraw = 0;
  backdrop.fullRedraw = 0;

  screen.Blit(100, 40, 10, 10, &sprite, 0, 0, 1);
  EXPECT_EQ(Marked(screen), (Tiles{{2, 1}}));
  EXPECT_EQ(Marked(backdrop), (Tiles{{1, 1}}));

  screen.SetAllMarks(0);
  backdrop.SetAllMarks(0);
  screen.Blit(100, 40, 10, 10, &sprite, 0, 0, 0);
  EXPECT_EQ(Marked(screen), (Tiles{{2, 1}}));
  EXPECT_TRUE(Marked(backdrop).empty());

  // While a full redraw is pending the screen's own tiles are not marked (everything is
  // presented anyway), but the backdrop still learns what to restore next frame.
  screen.SetAllMarks(0);
  screen.RequestFullRedraw();
  screen.Blit(100, 40, 10, 10, &sprite, 0, 0, 1);
  EXPECT_TRUE(Marked(screen).empty());
  EXPECT_EQ(Marked(backdrop), (Tiles{{1, 1}}));
}

// Records every rectangle handed to PresentTo.
class RecordingSurface : public Surface {
 public:
  void PresentTo(Canvas*, int x, int y, int w, int h, int sx, int sy) override {
    calls.push_back({x, y, w, h, sx, sy});
  }
  std::vector<std::vector<int>> calls;
};

TEST(DirtyTilesTest, PresentDirtyMergesRunsOfMarkedTiles) {
  RecordingSurface s;
  ASSERT_EQ(s.Create(640, 480), 1);
  s.PresentDirty(nullptr, 5, 7);  // full redraw after creation: the whole surface once
  ASSERT_EQ(s.calls.size(), 1u);
  EXPECT_EQ(s.calls[0], (std::vector<int>{5, 7, 640, 480, 0, 0}));
  EXPECT_EQ(s.fullRedraw, 0);

  s.calls.clear();
  for (int c : {2, 3, 4, 7}) s.MarkDirty(c * 48, 0, 1, 1);
  s.MarkDirty(13 * 48, 14 * 32, 1, 1);  // last tile of the last row
  s.PresentDirty(nullptr, 0, 0);
  ASSERT_EQ(s.calls.size(), 3u);
  EXPECT_EQ(s.calls[0], (std::vector<int>{96, 0, 144, 32, 96, 0}));
  EXPECT_EQ(s.calls[1], (std::vector<int>{336, 0, 48, 32, 336, 0}));
  EXPECT_EQ(s.calls[2], (std::vector<int>{624, 448, 48, 32, 624, 448}));
  EXPECT_TRUE(Marked(s).empty());

  // A full redraw presents everything and leaves the marks for later.
  s.calls.clear();
  s.MarkDirty(0, 0, 1, 1);
  s.RequestFullRedraw();
  s.PresentDirty(nullptr, 0, 0);
  EXPECT_EQ(s.calls.size(), 1u);
  EXPECT_EQ(Marked(s), (Tiles{{0, 0}}));
}

TEST(DirtyTilesTest, PresentToConvertsThroughThePaletteAndClips) {
  auto canvas = std::make_unique<FakeCanvas>();
  Surface s;
  ASSERT_EQ(s.Create(50, 40), 1);
  s.Fill(13);
  s.pixels[0] = 255;
  const std::uint32_t c13 = CanvasColour(s, 13);

  s.PresentTo(canvas.get(), 600, 460, 48, 32, 0, 0);  // reaches past the canvas
  ASSERT_EQ(canvas->shown.size(), 1u);
  const Rect r = canvas->shown[0];
  EXPECT_EQ(r.left, 600);
  EXPECT_EQ(r.top, 460);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  EXPECT_EQ(canvas->At(600, 460), 0x00FFFFFFu);
  EXPECT_EQ(canvas->At(639, 479), c13);
  EXPECT_EQ(canvas->At(599, 460), 0u);

  // Past the surface's own edge, and at a negative destination.
  canvas->shown.clear();
  s.PresentTo(canvas.get(), -5, 0, 48, 32, 20, 30);
  ASSERT_EQ(canvas->shown.size(), 1u);
  EXPECT_EQ(canvas->shown[0].left, 0);
  EXPECT_EQ(canvas->shown[0].right, 25);   // source columns 25..49
  EXPECT_EQ(canvas->shown[0].bottom, 10);  // source rows 30..39

  canvas->shown.clear();
  s.PresentTo(canvas.get(), 0, 0, 10, 10, 60, 0);  // nothing of the surface there
  s.PresentTo(nullptr, 0, 0, 10, 10, 0, 0);
  EXPECT_TRUE(canvas->shown.empty());
}

TEST(DirtyTilesTest, CopyDirtyToBlitsMarkedTilesWithoutTouchingTheTargetsBackdrop) {
  Surface backdrop, target, targetsBackdrop;
  ASSERT_EQ(backdrop.Create(96, 64), 1);
  ASSERT_EQ(target.Create(96, 64), 1);
  ASSERT_EQ(targetsBackdrop.Create(96, 64), 1);
  target.SetBackdrop(&targetsBackdrop);
  backdrop.Fill(4);
  target.Fill(1);
  backdrop.fullRedraw = 0;
  target.fullRedraw = 0;
  targetsBackdrop.fullRedraw = 0;

  backdrop.MarkDirty(50, 40, 1, 1);  // tile (1, 1)
  backdrop.CopyDirtyTo(&target, 0, 0);
  EXPECT_EQ(target.PixelAt(48, 32), 4);
  EXPECT_EQ(target.PixelAt(95, 63), 4);
  EXPECT_EQ(target.PixelAt(47, 63), 1);
  EXPECT_EQ(Marked(target), (Tiles{{1, 1}}));
  EXPECT_TRUE(Marked(targetsBackdrop).empty());
  EXPECT_TRUE(Marked(backdrop).empty());

  // The target's full redraw makes the copy whole; only the source's flag is cleared.
  target.RequestFullRedraw();
  backdrop.CopyDirtyTo(&target, 0, 0);
  EXPECT_EQ(target.PixelAt(0, 0), 4);
  EXPECT_EQ(target.fullRedraw, 1);
}

TEST(DirtyTilesTest, UpdateErasesLastFrameAndKeepsPositions) {
  auto canvas = std::make_unique<FakeCanvas>();
  Surface screen, background, layer, group, a, b;
  ASSERT_EQ(screen.Create(640, 480), 1);
  ASSERT_EQ(background.Create(640, 480), 1);
  background.Fill(1);
  ASSERT_EQ(a.Create(20, 20), 1);
  a.Fill(2);
  ASSERT_EQ(b.Create(20, 20), 1);
  b.Fill(3);
  screen.SetBackdrop(&background);
  screen.SetScene(&layer);
  layer.AddChild(&a);
  layer.AddChild(&group);
  group.AddChild(&b);
  layer.SetPosition(10, 0);
  group.SetPosition(100, 100);
  a.SetPosition(0, 0);
  b.SetPosition(5, 5);

  ASSERT_EQ(screen.Update(canvas.get(), 0, 0), 1);
  EXPECT_EQ(screen.PixelAt(10, 0), 2);
  EXPECT_EQ(screen.PixelAt(115, 105), 3);  // 10 + 100 + 5
  EXPECT_EQ(screen.PixelAt(300, 300), 1);
  EXPECT_EQ(a.X(), 0);
  EXPECT_EQ(b.X(), 5);
  EXPECT_EQ(group.X(), 100);
  EXPECT_EQ(layer.X(), 10);

  // Next frame: a moves far away; its old place shows the background again.
  a.SetPosition(400, 300);
  canvas->shown.clear();
  screen.Update(canvas.get(), 0, 0);
  EXPECT_EQ(screen.PixelAt(10, 0), 1);
  EXPECT_EQ(screen.PixelAt(410, 300), 2);
  EXPECT_EQ(screen.PixelAt(115, 105), 3);
  EXPECT_FALSE(canvas->shown.empty());
  EXPECT_EQ(canvas->At(10, 0), CanvasColour(screen, 1));
  EXPECT_EQ(canvas->At(410, 300), CanvasColour(screen, 2));
  EXPECT_EQ(a.X(), 400);
  EXPECT_EQ(b.Y(), 5);
}

}  // namespace
}  // namespace oru
