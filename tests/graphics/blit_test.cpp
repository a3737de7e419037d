// Clipping, the run table and the plain copy routines, checked against a simple reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "oru/graphics/blit_copies_internal.h"
#include "oru/graphics/colour_map.h"
#include "oru/graphics/surface.h"

namespace oru {
namespace {

std::unique_ptr<Surface> Make(int w, int h, int fill = 0) {
  auto s = std::make_unique<Surface>();
  EXPECT_EQ(s->Create(w, h), 1);
  s->Fill(fill);
  return s;
}

TEST(ClipBlitTest, Cases) {
  const struct {
    const char* name;
    int destX, destY, width, height, srcX, srcY;
    Rect destClip;  // the destination is 640 x 480
    Rect srcClip;   // the source is 32 x 32
    BlitRect expected;
    // clang-format off
  } cases[] = {
      {"inside", 100, 50, 32, 32, 0, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {100, 50, 0, 0, 32, 32}},
      {"left edge", -10, 0, 32, 32, 0, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {0, 0, 10, 0, 22, 32}},
      {"right edge", 630, 0, 32, 32, 0, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {630, 0, 0, 0, 10, 32}},
      {"top and bottom", 0, -5, 32, 32, 0, 0, {0, 0, 640, 20}, {0, 0, 32, 32}, {0, 0, 0, 5, 32, 20}},
      {"source left", 100, 0, 32, 32, -5, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {105, 0, 0, 0, 27, 32}},
      {"source past its right", 0, 0, 32, 32, 10, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {0, 0, 10, 0, 22, 32}},
      {"both sides at once", -4, -3, 40, 40, -2, -6, {0, 0, 640, 480}, {0, 0, 32, 32},
       {0, 3, 2, 0, 30, 32}},
      {"dest and source right", 620, 470, 32, 32, 8, 4, {0, 0, 640, 480}, {0, 0, 32, 32},
       {620, 470, 8, 4, 20, 10}},
      {"narrow dest clip", 0, 0, 32, 32, 0, 0, {10, 12, 20, 14}, {0, 0, 32, 32}, {10, 12, 10, 12, 10, 2}},
      {"source clip", 0, 0, 32, 32, 0, 0, {0, 0, 640, 480}, {4, 4, 8, 30}, {4, 4, 4, 4, 4, 26}},
      {"fully left", -40, 0, 32, 32, 0, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {0, 0, 40, 0, -8, 32}},
      {"exactly at the edge", 640, 0, 32, 32, 0, 0, {0, 0, 640, 480}, {0, 0, 32, 32}, {640, 0, 0, 0, 0, 32}},
      // A clip rectangle reaching past its image is narrowed to the image.
      {"oversized dest clip", 630, 0, 32, 32, 0, 0, {-50, 0, 1000, 480}, {0, 0, 32, 32},
       {630, 0, 0, 0, 10, 32}},
      {"oversized source clip", -8, 0, 64, 32, -8, 0, {0, 0, 640, 480}, {-8, 0, 64, 32},
       {0, 0, 0, 0, 32, 32}},
  };
  // clang-format on
  auto dest = Make(640, 480);
  auto src = Make(32, 32);
  for (const auto& c : cases) {
    dest->SetClipRect(&c.destClip);
    src->SetClipRect(&c.srcClip);
    BlitRect r;
    dest->ClipBlit(&r, c.destX, c.destY, c.width, c.height, src.get(), c.srcX, c.srcY);
    EXPECT_EQ(r.destX, c.expected.destX) << c.name;
    EXPECT_EQ(r.destY, c.expected.destY) << c.name;
    EXPECT_EQ(r.srcX, c.expected.srcX) << c.name;
    EXPECT_EQ(r.srcY, c.expected.srcY) << c.name;
    EXPECT_EQ(r.width, c.expected.width) << c.name;
    EXPECT_EQ(r.height, c.expected.height) << c.name;
  }
}

std::vector<int> RunRow(const Surface& s, int row) {
  std::vector<int> out;
  for (int x = 0; x < s.Width(); ++x) out.push_back(s.runTable[row * s.Width() + x]);
  return out;
}

TEST(RunTableTest, LongTransparentStretchThenOpaque) {
  auto s = Make(302, 2, 245);
  s->SetTransparentIndex(245);
  s->pixels[300] = 1;
  s->pixels[301] = 2;
  // Second row starts opaque: its first transparent run is empty.
  s->pixels[s->pitch + 0] = 3;
  s->BuildRunTable(1);
  ASSERT_NE(s->runTable, nullptr);

  std::vector<int> expected;
  for (int n = 255; n >= 1; --n) expected.push_back(n);
  for (int n = 45; n >= 1; --n) expected.push_back(n);
  expected.push_back(2);
  expected.push_back(1);
  EXPECT_EQ(RunRow(*s, 0), expected);

  const std::vector<int> second = RunRow(*s, 1);
  EXPECT_EQ(second[0], 1);
  EXPECT_EQ(second[1], 255);
  EXPECT_EQ(second[256], 46);  // pixels 1-301 are transparent: 255 + 46

  s->BuildRunTable(0);
  EXPECT_EQ(s->runTable, nullptr);
}

TEST(RunTableTest, LongOpaqueStretchSplitsToo) {
  auto s = Make(600, 1, 9);
  s->SetTransparentIndex(245);
  s->BuildRunTable(1);
  const std::vector<int> row = RunRow(*s, 0);
  EXPECT_EQ(row[0], 255);
  EXPECT_EQ(row[254], 1);
  EXPECT_EQ(row[255], 255);
  EXPECT_EQ(row[510], 90);
  EXPECT_EQ(row[599], 1);

  // Copying from the middle of the long stretch still copies every pixel.
  auto dest = Make(640, 1, 0);
  dest->Blit(0, 0, 600, 1, s.get(), 100, 0, 1);
  for (int x = 0; x < 500; ++x) ASSERT_EQ(dest->PixelAt(x, 0), 9) << x;
  EXPECT_EQ(dest->PixelAt(500, 0), 0);
}

TEST(RunTableTest, BlitFromColumn100SkipsAndCopiesByRuns) {
  auto s = Make(302, 1, 245);
  s->SetTransparentIndex(245);
  s->pixels[300] = 1;
  s->pixels[301] = 2;
  s->BuildRunTable(1);
  auto dest = Make(300, 1, 7);
  dest->Blit(0, 0, 202, 1, s.get(), 100, 0, 1);
  for (int x = 0; x < 200; ++x) ASSERT_EQ(dest->PixelAt(x, 0), 7) << x;
  EXPECT_EQ(dest->PixelAt(200, 0), 1);
  EXPECT_EQ(dest->PixelAt(201, 0), 2);
  EXPECT_EQ(dest->PixelAt(202, 0), 7);
}

TEST(BlitTest, OpaqueCopiesEveryIndex) {
  auto src = Make(4, 1);
  const std::uint8_t values[] = {0, 255, 245, 1};
  for (int i = 0; i < 4; ++i) src->pixels[i] = values[i];
  auto dest = Make(4, 1, 9);
  dest->Blit(0, 0, 4, 1, src.get(), 0, 0, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dest->PixelAt(i, 0), values[i]);
}

TEST(BlitTest, MissingStoresAndEmptyRectanglesDoNothing) {
  auto dest = Make(96, 64, 1);
  Surface empty;
  dest->fullRedraw = 0;
  dest->Blit(0, 0, 10, 10, &empty, 0, 0, 1);
  empty.Blit(0, 0, 10, 10, dest.get(), 0, 0, 1);
  dest->Blit(0, 0, 10, 10, nullptr, 0, 0, 1);
  EXPECT_FALSE(dest->IsTileMarked(0, 0));

  auto src = Make(8, 8, 2);
  dest->Blit(50, 40, 0, 8, src.get(), 0, 0, 1);  // zero width: marks, copies nothing
  EXPECT_TRUE(dest->IsTileMarked(1, 1));
  EXPECT_EQ(dest->PixelAt(50, 40), 1);
  dest->SetAllMarks(0);
  dest->Blit(-20, 0, 8, 8, src.get(), 0, 0, 1);  // negative after clipping: nothing at all
  EXPECT_FALSE(dest->IsTileMarked(0, 0));
}

TEST(BlitTest, ColourMapsReplaceOrBlendIndices) {
  auto src = Make(4, 1);
  const std::uint8_t values[] = {3, 245, 4, 3};
  for (int i = 0; i < 4; ++i) src->pixels[i] = values[i];
  src->SetTransparentIndex(245);
  ColourMap tint;
  tint.mode = ColourMap::kTint;
  tint.table = new std::uint8_t[256];
  for (int i = 0; i < 256; ++i) tint.table[i] = static_cast<std::uint8_t>(i + 100);
  src->colourMap = &tint;
  for (int withRuns = 0; withRuns < 2; ++withRuns) {
    src->BuildRunTable(withRuns);
    auto dest = Make(4, 1, 9);
    dest->Blit(0, 0, 4, 1, src.get(), 0, 0, 1);
    EXPECT_EQ(dest->PixelAt(0, 0), 103);
    EXPECT_EQ(dest->PixelAt(1, 0), 9);
    EXPECT_EQ(dest->PixelAt(2, 0), 104);
    EXPECT_EQ(dest->PixelAt(3, 0), 103);
  }

  ColourMap blend;
  blend.mode = ColourMap::kBlend;
  blend.table = new std::uint8_t[65536];
  for (int i = 0; i < 65536; ++i) blend.table[i] = static_cast<std::uint8_t>((i >> 8) + (i & 0xFF));
  src->colourMap = &blend;
  src->BuildRunTable(0);
  auto dest = Make(4, 1, 9);
  dest->Blit(0, 0, 4, 1, src.get(), 0, 0, 1);
  EXPECT_EQ(dest->PixelAt(0, 0), 12);
  EXPECT_EQ(dest->PixelAt(1, 0), 9);

  blend.mode = ColourMap::kNone;  // mode 0 is never used: the plain keyed copy runs
  dest->Blit(0, 0, 4, 1, src.get(), 0, 0, 1);
  EXPECT_EQ(dest->PixelAt(0, 0), 3);
  src->colourMap = nullptr;
}

TEST(BlitTest, StaleRunTableAfterResizeIsNotRead) {
  auto src = Make(8, 8, 245);
  src->SetTransparentIndex(245);
  src->BuildRunTable(1);
  ASSERT_EQ(src->Create(40, 40), 1);  // the old table no longer fits
  src->Fill(6);
  auto dest = Make(40, 40, 0);
  dest->Blit(0, 0, 40, 40, src.get(), 0, 0, 1);
  EXPECT_EQ(dest->PixelAt(39, 39), 6);
}

// Plain per-pixel reference of a keyed copy of the source rectangle (sx, sy, sw, sh) to
// (dx, dy), with the clipping done independently.
void ReferenceBlit(std::vector<std::uint8_t>& dest, int destW, int destH, const Surface& src,
                   int dx, int dy, int sx, int sy, int sw, int sh, int key) {
  for (int y = std::max(sy, 0); y < std::min(sy + sh, src.Height()); ++y) {
    for (int x = std::max(sx, 0); x < std::min(sx + sw, src.Width()); ++x) {
      const int tx = dx + x - sx, ty = dy + y - sy;
      if (tx < 0 || ty < 0 || tx >= destW || ty >= destH) continue;
      const int v = src.pixels[y * src.pitch + x];
      if (v != key) dest[static_cast<std::size_t>(ty) * destW + tx] = static_cast<std::uint8_t>(v);
    }
  }
}

// Random sprites: stretches of transparent and opaque pixels of random lengths (every length
// class the copies treat apart, some longer than 255, rows wholly transparent or opaque),
// blitted whole or in part at random positions inside and across every edge of the
// destination, so the clipping cuts through stretches on both sides.
TEST(BlitTest, KeyedAndRunCopiesMatchTheReference) {
  std::mt19937 rng(1234);
  constexpr int kDestW = 333, kDestH = 201;
  for (int trial = 0; trial < 300; ++trial) {
    const int w = 1 + static_cast<int>(rng() % (trial % 10 == 0 ? 600 : 90));
    const int h = 1 + static_cast<int>(rng() % 70);
    const int key = static_cast<int>(rng() % 256);
    auto sprite = Make(w, h);
    for (int y = 0; y < h; ++y) {
      int x = 0;
      bool transparent = rng() % 2;
      const bool wholeRow = rng() % 16 == 0;
      while (x < w) {
        const int len = wholeRow ? w : 1 + static_cast<int>(rng() % (rng() % 8 == 0 ? 400 : 12));
        for (int i = 0; i < len && x < w; ++i, ++x) {
          int v = static_cast<int>(rng() % 256);
          if (transparent)
            v = key;
          else if (v == key)
            v = (key + 1) % 256;
          sprite->pixels[y * sprite->pitch + x] = static_cast<std::uint8_t>(v);
        }
        transparent = !transparent;
      }
    }
    sprite->SetTransparentIndex(key);
    const int dx = static_cast<int>(rng() % (kDestW + w)) - w + (trial % 3 == 0 ? 0 : w / 2);
    const int dy = static_cast<int>(rng() % (kDestH + h)) - h + (trial % 3 == 0 ? 0 : h / 2);
    // Every fourth trial copies a part of the sprite, which may reach past its edges.
    int sx = 0, sy = 0, sw = w, sh = h;
    if (trial % 4 == 1) {
      sx = static_cast<int>(rng() % (w + 4)) - 2;
      sy = static_cast<int>(rng() % (h + 4)) - 2;
      sw = 1 + static_cast<int>(rng() % (w + 2));
      sh = 1 + static_cast<int>(rng() % (h + 2));
    }

    std::vector<std::uint8_t> background(kDestW * kDestH);
    for (auto& b : background) b = static_cast<std::uint8_t>(rng());
    std::vector<std::uint8_t> expected = background;
    ReferenceBlit(expected, kDestW, kDestH, *sprite, dx, dy, sx, sy, sw, sh, key);

    // The run-table copy twice: with the wide moves where the processor has them, and with
    // the baseline ones.
    const struct {
      const char* name;
      int runs, wide;
    } kCopies[] = {{"keyed", 0, 1}, {"runs", 1, 1}, {"runs narrow", 1, 0}};
    for (const auto& copy : kCopies) {
      sprite->BuildRunTable(copy.runs);
      auto dest = Make(kDestW, kDestH);
      for (int y = 0; y < kDestH; ++y)
        std::copy_n(&background[y * kDestW], kDestW, dest->pixels + y * dest->pitch);
      const int wasWide = SetWideBlitCopies(copy.wide);
      dest->Blit(dx, dy, sw, sh, sprite.get(), sx, sy, 1);
      SetWideBlitCopies(wasWide);
      for (int y = 0; y < kDestH; ++y)
        for (int x = 0; x < kDestW; ++x)
          ASSERT_EQ(dest->pixels[y * dest->pitch + x], expected[y * kDestW + x])
              << "trial " << trial << " " << copy.name << " sprite " << w << "x" << h << " part "
              << sx << "," << sy << " " << sw << "x" << sh << " at " << dx << "," << dy << " pixel "
              << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace oru
