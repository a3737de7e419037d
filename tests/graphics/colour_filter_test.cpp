// The colour filter recolours what lies under it, clipped to the target.
#include <gtest/gtest.h>

#include "oru/graphics/colour_filter.h"

namespace oru {
namespace {

TEST(ColourFilterTest, RecoloursItsAreaThroughTheMapAndMarksIt) {
  Surface target, backdrop;
  ASSERT_EQ(target.Create(96, 64), 1);
  ASSERT_EQ(backdrop.Create(96, 64), 1);
  target.SetBackdrop(&backdrop);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x)
      target.Lock()[y * target.Pitch() + x] = static_cast<std::uint8_t>(x);
  target.fullRedraw = 0;
  backdrop.fullRedraw = 0;
  target.SetAllMarks(0);
  backdrop.SetAllMarks(0);

  ColourFilter filter;
  EXPECT_EQ(filter.filterWidth, 640);
  EXPECT_EQ(filter.filterHeight, 480);
  filter.map.mode = ColourMap::kTint;
  filter.map.table = new std::uint8_t[256];
  for (int i = 0; i < 256; ++i) filter.map.table[i] = static_cast<std::uint8_t>(i + 100);
  filter.SetSize(60, 40);
  filter.SetPosition(-10, 34);  // starts at the left edge; 30 rows remain below y 34
  filter.Draw(&target);

  EXPECT_EQ(target.PixelAt(0, 34), 100);
  EXPECT_EQ(target.PixelAt(59, 63), 159);
  EXPECT_EQ(target.PixelAt(60, 34), 60);  // the full 60 columns from x 0
  EXPECT_EQ(target.PixelAt(5, 33), 5);
  EXPECT_TRUE(target.IsTileMarked(0, 1));
  EXPECT_TRUE(target.IsTileMarked(1, 1));
  EXPECT_FALSE(target.IsTileMarked(2, 1));  // columns 0..59 end in tile 1
  EXPECT_FALSE(target.IsTileMarked(0, 0));
  EXPECT_FALSE(target.IsTileMarked(1, 0));
  EXPECT_TRUE(backdrop.IsTileMarked(0, 1));

  // Without a table the area turns to index 0; a filter past the edge touches nothing.
  ColourFilter plain;
  plain.SetSize(2, 2);
  plain.Draw(&target);
  EXPECT_EQ(target.PixelAt(0, 0), 0);
  EXPECT_EQ(target.PixelAt(2, 0), 2);
  plain.SetPosition(200, 0);
  plain.Draw(&target);
  EXPECT_EQ(target.PixelAt(95, 0), 95);
}

TEST(ColourFilterTest, SetTintBuildsATintMap) {
  Surface screen;
  ASSERT_EQ(screen.Create(1, 1), 1);
  screen.BuildColourTables();
  ColourFilter filter;
  filter.SetTint(&screen, -255, -255, -255);  // everything black
  ASSERT_EQ(filter.map.mode, ColourMap::kTint);
  Surface target;
  ASSERT_EQ(target.Create(8, 8), 1);
  target.Fill(250);
  filter.Draw(&target);
  EXPECT_EQ(target.PixelAt(7, 7), screen.palette->NearestIndex(0));
}

}  // namespace
}  // namespace oru
