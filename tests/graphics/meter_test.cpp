// Meters: clamping, and the pixels each kind and orientation paints.
#include "oru/graphics/meter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "oru/graphics/bitmap_file.h"
#include "oru/platform/draw_context.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/surface_pixels.h"

namespace oru {
namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kOrange = 0x0080FF;

TEST(MeterValue, ClampedToZeroAndTheMaximum) {
  Meter meter;
  meter.Create(20, 20);
  EXPECT_EQ(meter.GetMaximum(), 100);
  EXPECT_EQ(meter.GetKind(), MeterMarker);
  meter.SetMaximum(255);
  struct Case {
    int given, stored;
  } cases[] = {{-5, 0}, {500, 255}, {128, 128}, {255, 255}, {0, 0}};
  for (const Case& c : cases) {
    meter.SetValue(c.given);
    EXPECT_EQ(meter.GetValue(), c.stored) << c.given;
  }
  meter.SetMaximum(0);
  EXPECT_EQ(meter.GetMaximum(), 1);
  meter.SetMaximum(-7);
  EXPECT_EQ(meter.GetMaximum(), 1);
  // Shrinking the maximum leaves the value alone until the next SetValue.
  meter.SetMaximum(200);
  meter.SetValue(150);
  meter.SetMaximum(100);
  EXPECT_EQ(meter.GetValue(), 150);
  meter.SetValue(150);
  EXPECT_EQ(meter.GetValue(), 100);
}

// Bars and markers in both orientations: where the foreground lands.
TEST(MeterGeometry, BarsAndMarkers) {
  struct Case {
    const char* what;
    int kind, orientation, width, height, maximum, value;
    Rect foreground;  // expected box of the foreground; empty right/bottom 0 means none
    // clang-format off
  } cases[] = {
      {"bar 128/255 on 300", MeterBar, MeterHorizontal, 300, 10, 255, 128, {0, 0, 150, 10}},
      {"bar full", MeterBar, MeterHorizontal, 300, 10, 255, 255, {0, 0, 300, 10}},
      {"bar empty", MeterBar, MeterHorizontal, 300, 10, 255, 0, {300, 10, 0, 0}},
      {"vertical bar fills from the bottom", MeterBar, MeterVertical, 10, 100, 100, 30,
       {0, 70, 10, 100}},
      {"marker at 0", MeterMarker, MeterHorizontal, 100, 20, 100, 0, {0, 0, 1, 20}},
      {"marker at the maximum", MeterMarker, MeterHorizontal, 100, 20, 100, 100, {99, 0, 100, 20}},
      {"marker in the middle", MeterMarker, MeterHorizontal, 100, 20, 100, 50, {49, 0, 51, 20}},
      {"vertical marker at 0", MeterMarker, MeterVertical, 20, 100, 100, 0, {0, 99, 20, 100}},
      {"vertical marker at the maximum", MeterMarker, MeterVertical, 20, 100, 100, 100,
       {0, 0, 20, 1}},
      {"unknown kind draws a marker", 9, MeterHorizontal, 100, 20, 100, 50, {49, 0, 51, 20}},
      {"unknown orientation is vertical", MeterBar, 7, 10, 100, 100, 30, {0, 70, 10, 100}},
  };
  // clang-format on
  for (const Case& c : cases) {
    Meter meter;
    meter.Create(c.width, c.height);
    meter.SetColours(kBlack, kOrange, 0);
    meter.SetStyle(c.kind, c.orientation);
    meter.SetMaximum(c.maximum);
    meter.SetValue(c.value);
    const int foreground = IndexOf(meter, kOrange);
    ExpectRect(BoxOf(meter, foreground), c.foreground, c.what);
    // Everything else is background.
    const Rect& f = c.foreground;
    const int area = std::max(0, f.right - f.left) * std::max(0, f.bottom - f.top);
    EXPECT_EQ(BoxOf(meter, IndexOf(meter, kBlack)).right == 0, area == c.width * c.height)
        << c.what;
    EXPECT_EQ(meter.TransparentIndex(), -1) << c.what;
  }
}

// The dial's needle, two pixels wide, from the centre towards the value's angle; value 0 points
// up and the needle turns clockwise.
TEST(MeterGeometry, DialNeedle) {
  struct Case {
    int value;
    Rect needle;
    // clang-format off
  } cases[] = {
      {0, {49, 0, 51, 51}},      // up to (50, 0)
      {900, {49, 49, 100, 51}},  // right to (100, 50)
      {1800, {49, 49, 51, 100}}, // down to (50, 100)
      {2700, {0, 49, 51, 51}},   // left to (0, 50)
      {3600, {49, 0, 51, 51}},   // a whole turn
  };
  // clang-format on
  for (const Case& c : cases) {
    Meter meter;
    meter.Create(100, 100);
    meter.SetColours(kWhite, kBlue, 1);
    meter.SetStyle(MeterDial, MeterHorizontal);
    meter.SetMaximum(3600);
    meter.SetValue(c.value);
    ExpectRect(BoxOf(meter, IndexOf(meter, kBlue)), c.needle, "needle");
    // The white background is the colour key.
    EXPECT_EQ(meter.TransparentIndex(), IndexOf(meter, kWhite)) << c.value;
    EXPECT_EQ(meter.PixelAt(0, 0), IndexOf(meter, kWhite));
  }
}

TEST(MeterGeometry, DialWithASmallMaximumDoesNotDivideByZero) {
  Meter meter;
  meter.Create(40, 40);
  meter.SetColours(kWhite, kBlue, 0);
  meter.SetStyle(MeterDial, MeterHorizontal);
  meter.SetMaximum(100);
  meter.SetValue(90);  // a degree per unit: pointing right
  const Rect needle = BoxOf(meter, IndexOf(meter, kBlue));
  EXPECT_EQ(needle.right, 40);
  EXPECT_EQ(needle.top, 19);
}

// A colour key that is not in the colour table leaves the background opaque.
TEST(MeterColours, KeyMissingFromTheTableStaysOpaque) {
  Meter meter;
  meter.Create(10, 10);
  meter.SetColours(0x123456, kBlue, 1);
  meter.SetValue(5);
  EXPECT_EQ(meter.TransparentIndex(), -1);
}

// The unit picture: 16 by 16, index 3 with a transparent top-left pixel.
struct UnitRow {
  UnitRow(int orientation, int value) {
    Surface& unit = meter.UnitImage();
    unit.Create(16, 16);
    unit.Fill(3);
    unit.FillRectIndex(Rect{0, 0, 1, 1}, 7);
    unit.SetTransparentFromPixel(0, 0);
    meter.SetColours(kWhite, kBlack, 1);
    meter.SetStyle(MeterImages, orientation);
    meter.SetMaximum(10);
    meter.SetValue(value);
  }
  Meter meter;
};

TEST(MeterImagesRow, UnitsRepeatAlongTheRow) {
  UnitRow row(MeterHorizontal, 5);
  Meter& meter = row.meter;
  ASSERT_EQ(meter.Width(), 160);
  ASSERT_EQ(meter.Height(), 16);
  const int background = IndexOf(meter, kWhite);
  for (int x = 0; x < 160; x += 16) {
    const bool unit = x < 80;
    EXPECT_EQ(meter.PixelAt(x + 5, 5), unit ? 3 : background) << x;
    // The unit's transparent pixel leaves the background showing.
    EXPECT_EQ(meter.PixelAt(x, 0), background) << x;
  }
  EXPECT_EQ(meter.TransparentIndex(), background);

  row.meter.SetValue(0);
  EXPECT_EQ(BoxOf(meter, 3).right, 0);
}

TEST(MeterImagesRow, VerticalRowGrowsDown) {
  UnitRow row(MeterVertical, 3);
  Meter& meter = row.meter;
  ASSERT_EQ(meter.Width(), 16);
  ASSERT_EQ(meter.Height(), 160);
  ExpectRect(BoxOf(meter, 3), Rect{0, 0, 16, 48}, "units");
}

// A maximum whose row would not fit in an int keeps the surface's size and draws what fits.
TEST(MeterImagesRow, HugeMaximumKeepsTheSize) {
  Meter meter;
  meter.Create(48, 16);
  Surface& unit = meter.UnitImage();
  unit.Create(16, 16);
  unit.Fill(3);
  meter.SetColours(kWhite, kBlack, 0);
  meter.SetStyle(MeterImages, MeterHorizontal);
  meter.SetMaximum(0x7FFFFFFF);
  meter.SetValue(0x7FFFFFF0);
  EXPECT_EQ(meter.Width(), 48);
  ExpectRect(BoxOf(meter, 3), Rect{0, 0, 48, 16}, "units");
}

TEST(MeterImagesRow, WithoutAUnitPictureOnlyTheBackgroundIsDrawn) {
  Meter meter;
  meter.Create(30, 10);
  meter.SetColours(kWhite, kBlack, 0);
  meter.SetStyle(MeterImages, MeterHorizontal);
  meter.SetMaximum(10);
  meter.SetValue(4);
  EXPECT_EQ(meter.GetValue(), 4);
  for (int x = 0; x < meter.Width(); ++x) EXPECT_EQ(meter.PixelAt(x, 0), IndexOf(meter, kWhite));
}

// The life display's set-up: the unit picture comes from a bitmap file, is keyed on its top-left
// pixel and hangs hidden in the scene group.
TEST(MeterImagesRow, UnitPictureFromAFile) {
  Surface picture;
  picture.Create(16, 16);
  picture.Fill(0);  // black corner: the key
  picture.FillRectColour(Rect{2, 2, 14, 14}, kOrange);
  const std::string path = test::UniqueTempPath("oru_meter_unit", ".bmp");
  ASSERT_EQ(SaveBitmap(picture, path.c_str()), 1);

  Surface group;
  Meter meter;
  const int loaded = meter.LoadUnitImage(path.c_str(), &group);
  std::remove(path.c_str());
  ASSERT_EQ(loaded, 1);
  Surface& unit = meter.UnitImage();
  EXPECT_EQ(unit.Width(), 16);
  EXPECT_EQ(unit.TransparentIndex(), unit.PixelAt(0, 0));
  EXPECT_GE(group.FindChild(&unit), 0);
  EXPECT_EQ(unit.IsVisible(), 0);

  meter.SetColours(kWhite, kBlack, 1);
  meter.SetStyle(MeterImages, MeterHorizontal);
  meter.SetMaximum(10);
  meter.SetValue(2);
  EXPECT_EQ(meter.Width(), 160);
  const int orange = IndexOf(meter, kOrange);
  ExpectRect(BoxOf(meter, orange), Rect{2, 2, 30, 14}, "two units");
  EXPECT_EQ(meter.PixelAt(0, 0), IndexOf(meter, kWhite));
  group.RemoveChild(&unit);

  Meter missing;
  EXPECT_EQ(missing.LoadUnitImage("no-such-unit.bmp", &group), 0);
  EXPECT_EQ(missing.UnitImage().Width(), 0);
}

}  // namespace
}  // namespace oru
