// The pixel store: creation and resizing, fills, colour keys, frames, mirroring, sharing.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"
#include "oru/platform/draw_context.h"

namespace oru {
namespace {

// Writes a pattern that differs in every pixel of a w x h store: value = (x * 7 + y * 13) % 251.
void Pattern(Surface& s) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      s.pixels[y * s.pitch + x] = static_cast<std::uint8_t>((x * 7 + y * 13) % 251);
}

int PatternAt(int x, int y) { return (x * 7 + y * 13) % 251; }

TEST(SurfaceTest, NewSurfaceHasNoStore) {
  Surface s;
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.Height(), 0);
  EXPECT_EQ(s.Lock(), nullptr);
  EXPECT_EQ(s.OpenDC(), nullptr);
  EXPECT_EQ(s.PixelAt(0, 0), -1);
  EXPECT_EQ(s.marker, Surface::kLiveMarker);
  s.Fill(3);  // nothing to fill, no crash
  s.MirrorFrames(3);
  s.SavePixels();
  s.RestorePixels();
  Surface target;
  ASSERT_EQ(target.Create(8, 8), 1);
  s.Draw(&target);  // nothing to draw
}

TEST(SurfaceTest, CreateWritesTheHeaderBlockAndDefaultColours) {
  Surface s;
  ASSERT_EQ(s.Create(5, 3), 1);
  EXPECT_EQ(s.pitch, 8);
  EXPECT_EQ(s.Pitch(), 8);
  const BitmapInfoHeader& h = s.info->header;
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, 5);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.bitCount, 8);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(h.sizeImage, 15u);
  EXPECT_EQ(h.clrUsed, 256u);
  EXPECT_EQ(h.clrImportant, 0u);
  EXPECT_EQ(s.colourTable, reinterpret_cast<std::uint8_t*>(s.info->colours));
  // Entry 10 of the default layout is green 51, stored blue, green, red, flags.
  EXPECT_EQ(s.colourTable[10 * 4 + 1], 51);
  EXPECT_EQ(s.colourTable[255 * 4 + 2], 255);
  EXPECT_EQ(s.clipRight, 5);
  EXPECT_EQ(s.clipBottom, 3);
  ASSERT_NE(s.palette, nullptr);

  s.Fill(9);
  for (int i = 0; i < 8 * 3; ++i) EXPECT_EQ(s.pixels[i], 9) << i;  // padding bytes too
}

TEST(SurfaceTest, CreateRefusesEmptyAndHugeSizesAndKeepsTheOldStore) {
  Surface s;
  ASSERT_EQ(s.Create(4, 4), 1);
  s.Fill(7);
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-3, 4}, {100000, 100000}}) {
    EXPECT_EQ(s.Create(w, h), 0) << w << "x" << h;
    EXPECT_EQ(s.Width(), 4);
    EXPECT_EQ(s.PixelAt(3, 3), 7);
  }
}

TEST(SurfaceTest, ResizeKeepsThePictureInTheTopLeftCorner) {
  Surface s;
  ASSERT_EQ(s.Create(100, 50), 1);
  Pattern(s);
  s.SetClipRect(nullptr);
  s.fullRedraw = 0;
  ASSERT_EQ(s.Create(60, 80), 1);
  EXPECT_EQ(s.pitch, 60);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(s.PixelAt(x, y), y < 50 ? PatternAt(x, y) : 0) << x << "," << y;
  EXPECT_EQ(s.clipLeft, 0);
  EXPECT_EQ(s.clipTop, 0);
  EXPECT_EQ(s.clipRight, 60);
  EXPECT_EQ(s.clipBottom, 80);
  // The dirty grid follows the new size and a full redraw is due.
  EXPECT_EQ(s.tilesAcross, 2);
  EXPECT_EQ(s.tilesDown, 3);
  EXPECT_EQ(s.fullRedraw, 1);

  // Growing in width clears the new columns, including the old row padding.
  ASSERT_EQ(s.Create(61, 2), 1);
  EXPECT_EQ(s.PixelAt(59, 1), PatternAt(59, 1));
  EXPECT_EQ(s.PixelAt(60, 0), 0);
}

TEST(SurfaceTest, DrawingContextFollowsTheStore) {
  Surface s;
  ASSERT_EQ(s.Create(10, 10), 1);
  DrawContext* dc = s.OpenDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->Width(), 10);
  EXPECT_EQ(s.CloseDC(dc), 1);
  ASSERT_EQ(s.Create(20, 5), 1);
  EXPECT_EQ(s.OpenDC(), dc);  // the same context, pointed at the new pixels
  EXPECT_EQ(dc->Width(), 20);
  EXPECT_EQ(dc->Height(), 5);
  dc->FillRect(Rect{0, 0, 20, 5}, 0x00FFFFFF);
  EXPECT_EQ(s.PixelAt(19, 4), 255);  // white is entry 255 of the default layout
}

TEST(SurfaceTest, FillWithMinusOneUsesTheTransparentIndex) {
  Surface s;
  ASSERT_EQ(s.Create(4, 2), 1);
  s.SetTransparentIndex(245);
  s.Fill(-1);
  EXPECT_EQ(s.PixelAt(3, 1), 245);
  s.SetTransparentIndex(-1);
  s.Fill(-1);
  EXPECT_EQ(s.PixelAt(3, 1), 0);
}

TEST(SurfaceTest, ColourKeyTakesTheFirstMatchingEntry) {
  Surface s;
  s.SetColourKey(0x00030201);  // no colour table yet: only the key is kept
  EXPECT_EQ(s.ColourKey(), 0x00030201);
  EXPECT_EQ(s.TransparentIndex(), -1);

  ASSERT_EQ(s.Create(4, 4), 1);
  auto set = [&](int i, int r, int g, int b) {
    s.colourTable[i * 4] = static_cast<std::uint8_t>(b);
    s.colourTable[i * 4 + 1] = static_cast<std::uint8_t>(g);
    s.colourTable[i * 4 + 2] = static_cast<std::uint8_t>(r);
  };
  set(7, 1, 2, 3);
  set(9, 1, 2, 3);
  s.SetColourKey(0x00030201);
  EXPECT_EQ(s.TransparentIndex(), 7);
  s.SetColourKey(0x00030202);
  EXPECT_EQ(s.TransparentIndex(), -1);

  s.pixels[s.pitch * 2 + 1] = 42;
  s.SetTransparentFromPixel(1, 2);
  EXPECT_EQ(s.TransparentIndex(), 42);
  EXPECT_EQ(s.PixelAt(4, 0), -1);
  EXPECT_EQ(s.PixelAt(0, -1), -1);
}

TEST(SurfaceTest, GradientFillStepsTowardsTheBottomColour) {
  Surface s;
  ASSERT_EQ(s.Create(3, 4), 1);
  s.GradientFill(0x000000C8, 0x00000000);  // red 200 to black
  const int reds[] = {200, 150, 100, 50};
  for (int row = 0; row < 4; ++row) {
    const int expected = s.palette->NearestIndex(static_cast<std::uint32_t>(reds[row]));
    for (int i = 0; i < s.pitch; ++i) EXPECT_EQ(s.pixels[row * s.pitch + i], expected) << row;
  }
}

// Frame cells of a 128 x 64 strip of 32 x 32 cells: which source cell does frame n show?
TEST(SurfaceTest, DrawShowsTheCurrentFrameCell) {
  Surface strip;
  ASSERT_EQ(strip.Create(128, 64), 1);
  for (int cell = 0; cell < 8; ++cell) {
    const int cx = (cell % 4) * 32, cy = (cell / 4) * 32;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        strip.pixels[(cy + y) * strip.pitch + cx + x] = static_cast<std::uint8_t>(cell + 1);
  }
  strip.SetFrameSize(32, 32);
  Surface target;
  ASSERT_EQ(target.Create(64, 64), 1);

  const struct {
    int current, offset, expected;  // expected pixel at the draw position, 0 = nothing drawn
  } cases[] = {{0, 0, 1}, {5, 0, 6}, {3, 2, 6}, {7, 0, 8}, {9, 0, 0}};
  for (const auto& c : cases) {
    target.Fill(0);
    strip.SetCurrentFrame(c.current);
    strip.SetFrameOffset(c.offset);
    strip.SetPosition(10, 20);
    strip.Draw(&target);
    EXPECT_EQ(target.PixelAt(10, 20), c.expected) << "frame " << c.current << "+" << c.offset;
    EXPECT_EQ(target.PixelAt(41, 51), c.expected);
    EXPECT_EQ(target.PixelAt(42, 20), 0);
    EXPECT_EQ(target.PixelAt(9, 20), 0);
  }
}

TEST(SurfaceTest, CellsWiderThanTheImageDrawNothing) {
  Surface strip, target;
  ASSERT_EQ(strip.Create(20, 20), 1);
  strip.Fill(4);
  strip.SetFrameSize(32, 20);  // no whole cell fits in a row
  ASSERT_EQ(target.Create(40, 40), 1);
  target.Fill(0);
  strip.Draw(&target);
  EXPECT_EQ(target.PixelAt(0, 0), 0);
}

TEST(SurfaceTest, AdvanceFrameWraps) {
  Surface s;
  s.SetFrameCount(3);
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    s.AdvanceFrame();
    seen.push_back(s.CurrentFrame());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1, 2}));
}

TEST(SurfaceTest, MirrorFramesFlipsEachWholeCell) {
  // Two 3 x 2 cells side by side plus one spare column that belongs to no cell.
  Surface s;
  ASSERT_EQ(s.Create(7, 2), 1);
  Pattern(s);
  s.SetFrameSize(3, 2);
  const struct {
    int flags;
    int (*source)(int x, int y);  // where pixel (x, y) of the result comes from, in cell terms
  } cases[] = {
      {1, [](int x, int y) { return PatternAt(x, 1 - y); }},
      {2, [](int x, int y) { return PatternAt((x / 3) * 3 + 2 - x % 3, y); }},
      {3, [](int x, int y) { return PatternAt((x / 3) * 3 + 2 - x % 3, 1 - y); }},
  };
  for (const auto& c : cases) {
    Pattern(s);
    s.MirrorFrames(c.flags);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s.PixelAt(x, y), c.source(x, y)) << c.flags << ": " << x << "," << y;
      EXPECT_EQ(s.PixelAt(6, y), PatternAt(6, y)) << "spare column untouched";
    }
  }
}

TEST(SurfaceTest, SaveAndRestorePixels) {
  Surface s;
  ASSERT_EQ(s.Create(9, 4), 1);
  Pattern(s);
  s.SavePixels();
  s.Fill(0);
  s.RestorePixels();
  EXPECT_EQ(s.PixelAt(8, 3), PatternAt(8, 3));
  EXPECT_EQ(s.savedPixels, nullptr);
  s.Fill(1);
  s.RestorePixels();  // nothing saved any more
  EXPECT_EQ(s.PixelAt(8, 3), 1);

  // Restoring into a smaller store copies only what fits.
  Pattern(s);
  s.SavePixels();
  ASSERT_EQ(s.Create(3, 2), 1);
  s.Fill(0);
  s.RestorePixels();
  EXPECT_EQ(s.PixelAt(2, 1), PatternAt(2, 1));
}

TEST(SurfaceTest, ShareImageDrawsTheOwnersPixels) {
  auto owner = std::make_unique<Surface>();
  ASSERT_EQ(owner->Create(16, 8), 1);
  Pattern(*owner);
  owner->SetTransparentIndex(5);
  owner->SetFrameSize(8, 8);

  Surface sharer;
  ASSERT_EQ(sharer.Create(4, 4), 1);  // its own store is released by the share
  sharer.ShareImage(owner.get());
  EXPECT_EQ(sharer.ownsPixels, 0);
  EXPECT_EQ(sharer.pixels, owner->pixels);
  EXPECT_EQ(sharer.palette, owner->palette);
  EXPECT_EQ(sharer.TransparentIndex(), 5);
  EXPECT_EQ(sharer.FrameWidth(), 8);
  EXPECT_EQ(sharer.tilesAcross, 1);  // grid rebuilt for 16 x 8
  owner->pixels[3] = 99;
  EXPECT_EQ(sharer.PixelAt(3, 0), 99);

  // Re-creating the sharer gives it a store of its own with a copy of the picture, and it can
  // then outlive the owner.
  ASSERT_EQ(sharer.Create(16, 8), 1);
  EXPECT_EQ(sharer.ownsPixels, 1);
  EXPECT_NE(sharer.pixels, owner->pixels);
  EXPECT_NE(sharer.palette, owner->palette);
  owner.reset();
  EXPECT_EQ(sharer.PixelAt(3, 0), 99);
  EXPECT_EQ(sharer.ShareRegisteredImage("nothing"), 0);
}

// A sharer keeps the store it shares alive and never frees the owner's pieces: each step below
// used to leave one of them pointing at freed memory (caught by the sanitizer run).
TEST(SurfaceTest, SharedStoreOutlivesEveryChangeOfItsOwner) {
  struct Case {
    const char* label;
    void (*change)(std::unique_ptr<Surface>& owner);
  } cases[] = {
      {"owner destroyed", [](std::unique_ptr<Surface>& owner) { owner.reset(); }},
      {"owner re-created at another size",
       [](std::unique_ptr<Surface>& owner) { ASSERT_EQ(owner->Create(3, 3), 1); }},
      {"owner remapped", [](std::unique_ptr<Surface>& owner) { RemapToTable(*owner, nullptr, 1); }},
      {"owner builds a new run table",
       [](std::unique_ptr<Surface>& owner) { owner->BuildRunTable(1); }},
      {"owner releases its pixels",
       [](std::unique_ptr<Surface>& owner) { owner->ReleasePixels(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto owner = std::make_unique<Surface>();
    ASSERT_EQ(owner->Create(16, 8), 1);
    Pattern(*owner);
    owner->SetTransparentIndex(0);
    owner->BuildRunTable(1);
    Surface sharer;
    sharer.ShareImage(owner.get());
    c.change(owner);
    // The sharer still reads, draws with its context and blits with its run table.
    EXPECT_EQ(sharer.Width(), 16);
    EXPECT_GE(sharer.PixelAt(15, 7), 0);
    EXPECT_EQ(sharer.FillRectColour(Rect{0, 0, 2, 2}, 0), 1);
    Surface target;
    ASSERT_EQ(target.Create(16, 8), 1);
    target.Blit(0, 0, 16, 8, &sharer, 0, 0, 0);
    if (owner) {
      owner->Fill(3);
      target.Blit(0, 0, 16, 8, owner.get(), 0, 0, 0);
    }
  }
}

TEST(SurfaceTest, SharerBuildsItsOwnRunTableWithoutFreeingTheOwners) {
  Surface owner;
  ASSERT_EQ(owner.Create(8, 4), 1);
  Pattern(owner);
  owner.SetTransparentIndex(PatternAt(0, 0));
  owner.BuildRunTable(1);
  const std::uint8_t* ownersTable = owner.runTable;
  {
    Surface sharer;
    sharer.ShareImage(&owner);
    EXPECT_EQ(sharer.runTable, ownersTable);
    sharer.BuildRunTable(1);
    EXPECT_NE(sharer.runTable, nullptr);
    sharer.BuildRunTable(0);
    EXPECT_EQ(sharer.runTable, nullptr);
  }
  // The owner's table is intact and still used by its blits.
  EXPECT_EQ(owner.runTable, ownersTable);
  Surface target;
  ASSERT_EQ(target.Create(8, 4), 1);
  target.Fill(200);
  target.Blit(0, 0, 8, 4, &owner, 0, 0, 0);
  EXPECT_EQ(target.PixelAt(0, 0), 200);
  EXPECT_EQ(target.PixelAt(1, 0), PatternAt(1, 0));
}

TEST(SurfaceTest, PaletteCopiesBetweenImages) {
  Surface a, b;
  ASSERT_EQ(a.Create(2, 2), 1);
  ASSERT_EQ(b.Create(2, 2), 1);
  PaletteTable grey;
  for (int i = 0; i < 256; ++i) grey.SetEntry(i, i, i, i);
  a.ApplyPaletteTable(grey);
  EXPECT_EQ(a.colourTable[10 * 4 + 1], 51);  // the colour table itself is unchanged
  EXPECT_EQ(a.palette->NearestIndex(0x00101010), 16);

  a.colourTable[3 * 4 + 2] = 77;
  b.CopyPaletteFrom(&a);
  EXPECT_EQ(b.colourTable[3 * 4 + 2], 77);
  EXPECT_EQ(b.palette->NearestIndex(0x00202020), 32);

  Surface empty;
  empty.CopyPaletteFrom(&a);  // no colour table: nothing happens
  EXPECT_EQ(empty.palette, nullptr);
}

}  // namespace
}  // namespace oru
