// Text and shapes on surfaces: which pixels each routine writes and which tiles it marks dirty.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "oru/graphics/surface.h"
#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"
#include "tests/support/surface_pixels.h"

namespace oru {
namespace {

// Colour values that map to distinct entries of the default colour table.
constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kGreen = 0x0000FF00;

int Count(Surface& surface, std::uint8_t value) {
  int n = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) n += surface.PixelAt(x, y) == value;
  }
  return n;
}

// A surface with a clean dirty grid, so a test sees only what its own call marked.
struct Fixture {
  explicit Fixture(int width = 160, int height = 96) {
    surface.Create(width, height);
    surface.Fill(0);
    surface.fullRedraw = 0;
    surface.SetAllMarks(0);
  }
  Surface surface;
};

TEST(FillRectColour, FillsExclusiveRectangleAndMarksIt) {
  Fixture f;
  const Rect rect{10, 10, 20, 15};
  EXPECT_EQ(f.surface.FillRectColour(rect, kRed), 1);
  const std::uint8_t red = IndexOf(f.surface, kRed);
  EXPECT_EQ(Count(f.surface, red), 10 * 5);
  ExpectRect(BoxOf(f.surface, red), rect);
  EXPECT_TRUE(f.surface.IsTileMarked(0, 0));
  EXPECT_FALSE(f.surface.IsTileMarked(1, 0));
}

// The inclusive fill writes the same pixels but marks one more column and row; a rectangle
// ending on a tile boundary shows the difference.
TEST(FillRectInclusive, SamePixelsOneMoreColumnAndRowMarked) {
  const Rect rect{10, 10, 48, 32};
  Fixture exclusive;
  exclusive.surface.FillRectColour(rect, kRed);
  Fixture inclusive;
  EXPECT_EQ(inclusive.surface.FillRectInclusive(rect, kRed), 1);
  const std::uint8_t red = IndexOf(inclusive.surface, kRed);
  EXPECT_EQ(Count(inclusive.surface, red), Count(exclusive.surface, red));
  ExpectRect(BoxOf(inclusive.surface, red), rect);
  struct Tile {
    int column, row;
    bool exclusive, inclusive;
  } tiles[] = {{0, 0, true, true},
               {1, 0, false, true},
               {0, 1, false, true},
               {1, 1, false, true},
               {2, 0, false, false}};
  for (const Tile& t : tiles) {
    EXPECT_EQ(exclusive.surface.IsTileMarked(t.column, t.row), t.exclusive) << t.column << t.row;
    EXPECT_EQ(inclusive.surface.IsTileMarked(t.column, t.row), t.inclusive) << t.column << t.row;
  }
}

TEST(FillRectColour, MarksTheBackdropUntranslated) {
  Fixture f;
  Surface backdrop;
  backdrop.Create(160, 96);
  backdrop.SetPosition(48, 32);
  backdrop.fullRedraw = 0;
  backdrop.SetAllMarks(0);
  f.surface.SetBackdrop(&backdrop);
  f.surface.FillRectColour(Rect{100, 40, 110, 50}, kRed);
  EXPECT_TRUE(backdrop.IsTileMarked(2, 1));
  EXPECT_FALSE(backdrop.IsTileMarked(0, 0));
  f.surface.SetBackdrop(nullptr);
}

TEST(FrameRectColour, PaintsTheBorderOfItsThickness) {
  struct Case {
    Rect rect;
    int thickness;
    int painted;
  } cases[] = {
      {{0, 0, 10, 10}, 1, 36},  // columns 0 and 9, rows 0 and 9
      {{0, 0, 10, 10}, 2, 64},  // 100 minus the 6 by 6 inside
      {{5, 5, 25, 15}, 3, 200 - 14 * 4},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_EQ(f.surface.FrameRectColour(c.rect, kWhite, c.thickness), 1);
    const std::uint8_t white = IndexOf(f.surface, kWhite);
    EXPECT_EQ(Count(f.surface, white), c.painted) << c.thickness;
    ExpectRect(BoxOf(f.surface, white), c.rect);
    const int t = c.thickness;
    // The inside stays untouched.
    EXPECT_NE(f.surface.PixelAt(c.rect.left + t, c.rect.top + t), white);
    EXPECT_NE(f.surface.PixelAt(c.rect.right - t - 1, c.rect.bottom - t - 1), white);
    EXPECT_EQ(f.surface.PixelAt(c.rect.right - 1, c.rect.bottom - 1), white);
  }
}

TEST(DrawLine, EndPointNotDrawnAndBothFormsAgree) {
  Fixture a;
  Fixture b;
  EXPECT_EQ(a.surface.DrawLine(5, 5, 25, 5, kGreen, 1), 1);
  EXPECT_EQ(b.surface.DrawLine(Rect{5, 5, 25, 5}, kGreen, 1), 1);
  const std::uint8_t green = IndexOf(a.surface, kGreen);
  EXPECT_EQ(Count(a.surface, green), 20);
  EXPECT_EQ(a.surface.PixelAt(25, 5), 0);
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 160; ++x) ASSERT_EQ(a.surface.PixelAt(x, y), b.surface.PixelAt(x, y));
  }
}

// A line drawn up and to the left still marks the tiles it crossed.
TEST(DrawLine, MarksTilesWhicheverWayItRuns) {
  Fixture f;
  f.surface.DrawLine(100, 70, 10, 10, kGreen, 2);
  EXPECT_TRUE(f.surface.IsTileMarked(0, 0));
  EXPECT_TRUE(f.surface.IsTileMarked(2, 2));
  EXPECT_TRUE(f.surface.IsTileMarked(1, 1));
}

TEST(FillRectIndex, ClippedToTheClipRectangle) {
  struct Case {
    Rect rect;
    Rect clip;
    int filled;
  } cases[] = {
      {{-5, -5, 1000, 1000}, {0, 0, 64, 32}, 64 * 32},
      {{0, 0, 64, 32}, {10, 4, 20, 8}, 10 * 4},
      {{30, 0, 10, 32}, {0, 0, 64, 32}, 0},
      // A clip rectangle set past the edges never lets the fill leave the image.
      {{-5, -5, 1000, 1000}, {-10, -10, 500, 500}, 64 * 32},
  };
  for (const Case& c : cases) {
    Fixture f(64, 32);
    f.surface.SetClipRect(&c.clip);
    EXPECT_EQ(f.surface.FillRectIndex(c.rect, 7), 1);
    EXPECT_EQ(Count(f.surface, 7), c.filled);
    // Index fills write pixels directly and mark nothing.
    EXPECT_FALSE(f.surface.IsTileMarked(0, 0));
  }
}

TEST(FillRectPattern, WritesEveryStepthColumnShiftedPerRow) {
  Fixture f(16, 8);
  EXPECT_EQ(f.surface.FillRectPattern(Rect{2, 1, 6, 3}, 9, 2), 1);
  // Rows counted from the clipped top, columns from the clipped left.
  const int expected[2][4] = {{9, 0, 9, 0}, {0, 9, 0, 9}};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_EQ(f.surface.PixelAt(2 + column, 1 + row), expected[row][column]) << row << column;
    }
  }
  EXPECT_EQ(Count(f.surface, 9), 4);

  // Step 3 draws diagonals; step 0 or less fills solidly; clipping restarts the count.
  Fixture diag(16, 8);
  diag.surface.FillRectPattern(Rect{0, 0, 6, 3}, 4, 3);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 6; ++column) {
      EXPECT_EQ(diag.surface.PixelAt(column, row) == 4, column % 3 == row % 3) << row << column;
    }
  }
  Fixture solid(16, 8);
  solid.surface.FillRectPattern(Rect{0, 0, 4, 4}, 4, 0);
  EXPECT_EQ(Count(solid.surface, 4), 16);
  Fixture clipped(16, 8);
  clipped.surface.FillRectPattern(Rect{-1, -1, 3, 2}, 4, 2);
  EXPECT_EQ(clipped.surface.PixelAt(0, 0), 4);
  EXPECT_EQ(clipped.surface.PixelAt(1, 0), 0);
  EXPECT_EQ(clipped.surface.PixelAt(1, 1), 4);
}

TEST(SurfaceWithoutPixels, DrawsNothingAndIndexFillsFail) {
  Surface empty;
  EXPECT_EQ(empty.FillRectColour(Rect{0, 0, 10, 10}, kRed), 1);
  EXPECT_EQ(empty.FrameRectColour(Rect{0, 0, 10, 10}, kRed, 2), 1);
  EXPECT_EQ(empty.DrawLine(0, 0, 10, 10, kRed, 2), 1);
  EXPECT_EQ(empty.DrawTextAt(0, 0, "abc", kRed), 1);
  EXPECT_EQ(empty.DrawTextSized(0, 0, "abc", 12, kRed, -1), 1);
  EXPECT_EQ(empty.FillRectIndex(Rect{0, 0, 10, 10}, 1), 0);
  EXPECT_EQ(empty.FillRectPattern(Rect{0, 0, 10, 10}, 1, 2), 0);
}

TEST(SurfaceText, NullTextReturnsZeroAndDrawsNothing) {
  Fixture f;
  EXPECT_EQ(f.surface.DrawTextAt(0, 0, nullptr, kRed), 0);
  EXPECT_EQ(
      f.surface.DrawTextWithFont(0, 0, nullptr, Font::Create(LightModernFont(16)), kRed, kWhite),
      0);
  EXPECT_EQ(f.surface.DrawTextSized(0, 0, nullptr, 16, kRed, kWhite), 0);
  Surface image;
  EXPECT_EQ(image.MakeTextImage(nullptr, 16, kRed, -1), 0);
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(Count(f.surface, 0), 160 * 96);
  EXPECT_FALSE(f.surface.IsTileMarked(0, 0));
}

// Text on surfaces: fonts differ between machines, so only where pixels land is checked.
class SurfaceTextWithFont : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Font::Create(LightModernFont(16))->HasFace()) GTEST_SKIP() << "no font installed";
  }
};

TEST_F(SurfaceTextWithFont, DrawTextAtStaysInItsBoxAndMarksIt) {
  Fixture f;
  const std::uint8_t red = IndexOf(f.surface, kRed);
  EXPECT_EQ(f.surface.DrawTextAt(60, 40, "Hi!", kRed), 1);
  const Size extent = f.surface.OpenDC()->GetTextExtent("Hi!", -1);
  ASSERT_GT(Count(f.surface, red), 0);
  const Rect box = BoxOf(f.surface, red);
  EXPECT_GE(box.left, 60);
  EXPECT_GE(box.top, 40);
  EXPECT_LE(box.right, 60 + extent.cx);
  EXPECT_LE(box.bottom, 40 + extent.cy);
  EXPECT_EQ(Count(f.surface, red) + Count(f.surface, 0), 160 * 96);  // transparent background
  EXPECT_TRUE(f.surface.IsTileMarked(1, 1));
  EXPECT_FALSE(f.surface.IsTileMarked(0, 0));
}

// Without an outline the text is drawn once, one pixel right and down from (x, y).
TEST_F(SurfaceTextWithFont, OnePassOffsetByOnePixel) {
  Fixture drawn;
  EXPECT_EQ(drawn.surface.DrawTextWithFont(10, 20, "Score:42", Font::Create(LightModernFont(16)),
                                           kRed, -1),
            1);
  Fixture reference;
  auto font = Font::Create(LightModernFont(16));
  DrawContext* dc = reference.surface.OpenDC();
  dc->SelectFont(font.get());
  dc->SetTextColour(kRed);
  dc->SetBackgroundMode(DrawContext::kTransparent);
  dc->TextOut(11, 21, "Score:42", -1);
  dc->SelectFont(nullptr);
  ASSERT_GT(Count(drawn.surface, IndexOf(drawn.surface, kRed)), 0);
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 160; ++x) {
      ASSERT_EQ(drawn.surface.PixelAt(x, y), reference.surface.PixelAt(x, y)) << x << "," << y;
    }
  }
}

TEST_F(SurfaceTextWithFont, OutlineSurroundsTheText) {
  Fixture plain;
  plain.surface.DrawTextWithFont(10, 20, "Ag8", Font::Create(LightModernFont(20)), kRed, -1);
  Fixture outlined;
  outlined.surface.DrawTextWithFont(10, 20, "Ag8", Font::Create(LightModernFont(20)), kRed,
                                    static_cast<std::int32_t>(kWhite));
  Surface& s = outlined.surface;
  const std::uint8_t red = IndexOf(s, kRed);
  const std::uint8_t white = IndexOf(s, kWhite);
  // The text pass comes last, so the text's own pixels are unchanged by the outline.
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 160; ++x) {
      ASSERT_EQ(s.PixelAt(x, y) == red, plain.surface.PixelAt(x, y) == red) << x << "," << y;
    }
  }
  const Rect text = BoxOf(s, red);
  const Rect outline = BoxOf(s, white);
  ASSERT_GT(Count(s, white), 0);
  EXPECT_GE(outline.left, text.left - 1);
  EXPECT_GE(outline.top, text.top - 1);
  EXPECT_LE(outline.right, text.right + 1);
  EXPECT_LE(outline.bottom, text.bottom + 1);
  // Below-right of every text pixel lies text or outline; nothing else was painted.
  for (int y = text.top; y < text.bottom; ++y) {
    for (int x = text.left; x < text.right; ++x) {
      if (s.PixelAt(x, y) != red) continue;
      const int below = s.PixelAt(x + 1, y + 1);
      EXPECT_TRUE(below == red || below == white) << x << "," << y;
    }
  }
  EXPECT_EQ(Count(s, red) + Count(s, white) + Count(s, 0), 160 * 96);
}

TEST_F(SurfaceTextWithFont, LongerScoreIsWiderAtTheSameHeight) {
  Surface longer;
  Surface shorter;
  ASSERT_EQ(longer.MakeTextImage("Score:1234_", 20, kRed, -1), 1);
  ASSERT_EQ(shorter.MakeTextImage("Score:5_", 20, kRed, -1), 1);
  EXPECT_GT(longer.Width(), shorter.Width());
  EXPECT_EQ(longer.Height(), shorter.Height());
}

TEST_F(SurfaceTextWithFont, TextImageFitsTheTextOnATransparentBackground) {
  auto font = Font::Create(LightModernFont(16));
  const Size extent = font->Extent("Oru", 3);
  Surface image;
  ASSERT_EQ(
      image.MakeTextImageWithFont("Oru", std::move(font), kRed, static_cast<std::int32_t>(kWhite)),
      1);
  EXPECT_EQ(image.Width(), extent.cx + 2);
  EXPECT_EQ(image.Height(), extent.cy + 2);
  EXPECT_EQ(image.TransparentIndex(), 245);
  EXPECT_EQ(image.PixelAt(0, image.Height() - 1), 245);
  EXPECT_GT(Count(image, IndexOf(image, kRed)), 0);

  // A given size replaces the measured one.
  Surface sized;
  const Size size{30, 12};
  ASSERT_EQ(sized.MakeTextImage("Oru", 16, kRed, -1, &size), 1);
  EXPECT_EQ(sized.Width(), 32);
  EXPECT_EQ(sized.Height(), 14);
  EXPECT_EQ(sized.PixelAt(31, 13), 245);
}

}  // namespace
}  // namespace oru
