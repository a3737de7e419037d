// Colour tables, translucent and tinted blits, and colour maps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "oru/graphics/colour_map.h"
#include "oru/graphics/colour_tables.h"
#include "oru/graphics/surface.h"

namespace oru {
namespace {

// Saves the global tables and puts them back, so each test may build or overwrite them.
class ColourTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(savedInverse_, InverseColourTable, sizeof savedInverse_);
    std::memcpy(savedClamp_, ClampTable, sizeof savedClamp_);
  }
  void TearDown() override {
    std::memcpy(InverseColourTable, savedInverse_, sizeof savedInverse_);
    std::memcpy(ClampTable, savedClamp_, sizeof savedClamp_);
  }

  // Clamp table built, and an inverse table that answers the red level (red >> 3) of a colour,
  // so a blended pixel shows the red it was mixed to, to 5 bits.
  static void UseRedLevelTable() {
    Surface any;
    any.Create(1, 1);
    any.BuildColourTables();
    for (int i = 0; i < kInverseColourTableSize; ++i)
      InverseColourTable[i] = static_cast<std::uint8_t>(i >> 10);
  }

  static void SetColour(Surface& s, int index, int red, int green, int blue) {
    std::uint8_t* e = s.colourTable + index * 4;
    e[0] = static_cast<std::uint8_t>(blue);
    e[1] = static_cast<std::uint8_t>(green);
    e[2] = static_cast<std::uint8_t>(red);
  }

 private:
  std::uint8_t savedInverse_[kInverseColourTableSize];
  std::uint8_t savedClamp_[kClampTableSize];
};

TEST_F(ColourTablesTest, SettersClampTheirValues) {
  struct Case {
    int r, g, b;
    int red, green, blue;
  };
  const Case translucency[] = {{150, -3, 50, 100, 0, 50}, {0, 100, 1, 0, 100, 1}};
  for (const Case& c : translucency) {
    Surface s;
    s.SetTranslucency(c.r, c.g, c.b);
    EXPECT_EQ(s.translucency[2], c.red);
    EXPECT_EQ(s.translucency[1], c.green);
    EXPECT_EQ(s.translucency[0], c.blue);
    EXPECT_EQ(s.translucency[3], 0);
  }
  const Case tint[] = {{300, -300, 10, 255, -255, 10}, {256, -255, 255, 255, -255, 255}};
  for (const Case& c : tint) {
    Surface s;
    s.SetTint(c.r, c.g, c.b);
    EXPECT_EQ(s.tintRed, c.red);
    EXPECT_EQ(s.tintGreen, c.green);
    EXPECT_EQ(s.tintBlue, c.blue);
  }
}

TEST_F(ColourTablesTest, BuildFillsClampAndNearestColourTables) {
  Surface screen;
  ASSERT_EQ(screen.Create(4, 4), 1);
  screen.BuildColourTables();
  EXPECT_EQ(ClampTable[512 + 300], 255);
  EXPECT_EQ(ClampTable[512 - 20], 0);
  EXPECT_EQ(ClampTable[512 + 100], 100);
  EXPECT_EQ(ClampTable[0], 0);
  EXPECT_EQ(ClampTable[1023], 255);
  for (int r : {0, 7, 31})
    for (int g : {0, 16, 31})
      for (int b : {0, 3, 31}) {
        const std::uint32_t rgb = (r * 255 / 31) | ((g * 255 / 31) << 8) | ((b * 255 / 31) << 16);
        EXPECT_EQ(InverseColourTable[r * 1024 + g * 32 + b], screen.palette->NearestIndex(rgb));
      }
}

TEST_F(ColourTablesTest, TranslucentPixelMixesTowardsTheDestination) {
  UseRedLevelTable();
  struct Case {
    int percent, sourceRed, destRed, expectedLevel;
  };
  const Case cases[] = {
      {50, 200, 100, 150 >> 3},  // halfway
      {50, 104, 103, 104 >> 3},  // 50 x 1 / 100 truncates to 0: 104, not 103
      {50, 6, 9, 7 >> 3},        // -150 / 100 truncates toward zero: 6 + 1 = 7, level 0
      {100, 255, 0, 0},          // fully see-through
      {0, 200, 0, 200 >> 3},     // red opaque (green carries the blending switch)
  };
  for (const Case& c : cases) {
    Surface source, dest;
    ASSERT_EQ(source.Create(1, 1), 1);
    ASSERT_EQ(dest.Create(1, 1), 1);
    SetColour(source, 1, c.sourceRed, 0, 0);
    SetColour(dest, 2, c.destRed, 0, 0);
    source.Fill(1);
    dest.Fill(2);
    source.SetTranslucency(c.percent, 50, 50);
    dest.Blit(0, 0, 1, 1, &source, 0, 0, 0);
    EXPECT_EQ(dest.PixelAt(0, 0), c.expectedLevel)
        << c.percent << "% of " << c.sourceRed << " over " << c.destRed;
  }
}

TEST_F(ColourTablesTest, TintAppliesOnlyWithAllThreeOffsetsAndClamps) {
  UseRedLevelTable();
  struct Case {
    int red, green, blue, sourceRed, expectedLevel;
  };
  const Case cases[] = {
      {40, 0, 0, 200, 200 >> 3},  // inactive: drawn unchanged (plain copy of index 1)
      {40, 1, 1, 200, 240 >> 3},  // active
      {40, 1, 1, 250, 255 >> 3},  // clamped at 255
      {-255, 1, 1, 200, 0},       // clamped at 0
  };
  for (const Case& c : cases) {
    Surface source, dest;
    ASSERT_EQ(source.Create(1, 1), 1);
    ASSERT_EQ(dest.Create(1, 1), 1);
    source.colourTable[4 + 2] = static_cast<std::uint8_t>(c.sourceRed);
    source.Fill(1);
    source.SetTint(c.red, c.green, c.blue);
    dest.Blit(0, 0, 1, 1, &source, 0, 0, 0);
    const bool active = c.green != 0;
    EXPECT_EQ(dest.PixelAt(0, 0), active ? c.expectedLevel : 1) << c.red << " " << c.sourceRed;
  }
}

TEST_F(ColourTablesTest, BlendingBeforeTheTablesAreBuiltDrawsIndexZero) {
  std::memset(InverseColourTable, 0, sizeof InverseColourTable);
  std::memset(ClampTable, 0, sizeof ClampTable);
  Surface source, dest;
  ASSERT_EQ(source.Create(3, 1), 1);
  ASSERT_EQ(dest.Create(3, 1), 1);
  source.Fill(200);
  dest.Fill(9);
  source.SetTranslucency(30, 30, 30);
  dest.Blit(0, 0, 3, 1, &source, 0, 0, 0);
  EXPECT_EQ(dest.PixelAt(2, 0), 0);
}

// What a blended pixel becomes, written straight from the rules, one channel at a time.
int ReferenceBlend(const Surface& source, const std::uint8_t* sourceColour,
                   const std::uint8_t* destColour) {
  int c[3] = {sourceColour[2], sourceColour[1], sourceColour[0]};  // red, green, blue
  const int d[3] = {destColour[2], destColour[1], destColour[0]};
  const int percent[3] = {source.translucency[2], source.translucency[1], source.translucency[0]};
  const int tint[3] = {source.tintRed, source.tintGreen, source.tintBlue};
  const bool translucent = percent[0] || percent[1] || percent[2];
  const bool tinted = tint[0] && tint[1] && tint[2];
  for (int i = 0; i < 3; ++i) {
    if (translucent) c[i] = c[i] - (percent[i] * (c[i] - d[i])) / 100;
    if (tinted) c[i] = ClampTable[512 + c[i] + tint[i]];
  }
  return InverseColourTable[(c[0] >> 3) * 1024 + (c[1] >> 3) * 32 + (c[2] >> 3)];
}

TEST_F(ColourTablesTest, BlendedCopiesMatchTheReferenceOnRandomInput) {
  std::mt19937 random(1234);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  Surface palette;
  ASSERT_EQ(palette.Create(1, 1), 1);
  palette.BuildColourTables();

  for (int trial = 0; trial < 80; ++trial) {
    const bool runs = trial % 2 == 1;
    Surface source, dest;
    const int sw = pick(1, 70), sh = pick(1, 20);
    ASSERT_EQ(source.Create(sw, sh), 1);
    ASSERT_EQ(dest.Create(64, 24), 1);
    // Random colours as well, so that reading the wrong table or channel shows; the run
    // variant reads the destination's table for both sides, so there both tables agree.
    for (int i = 0; i < 1024; ++i) {
      dest.colourTable[i] = static_cast<std::uint8_t>(pick(0, 255));
      source.colourTable[i] = runs ? dest.colourTable[i] : static_cast<std::uint8_t>(pick(0, 255));
    }
    const int key = pick(0, 3) == 0 ? -1 : pick(0, 7);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x)
        source.Lock()[y * source.Pitch() + x] =
            static_cast<std::uint8_t>(pick(0, 2) == 0 ? pick(0, 7) : pick(0, 255));
    for (int i = 0; i < dest.Pitch() * dest.Height(); ++i)
      dest.Lock()[i] = static_cast<std::uint8_t>(pick(0, 255));
    source.SetTransparentIndex(key);
    if (pick(0, 2) != 0) source.SetTranslucency(pick(0, 100), pick(0, 100), pick(0, 100));
    if (pick(0, 2) != 0) source.SetTint(pick(-300, 300), pick(-300, 300), pick(1, 300));
    const bool tinted = source.tintRed && source.tintGreen && source.tintBlue;
    if (!tinted && !source.translucency[0] && !source.translucency[1] && !source.translucency[2])
      source.SetTranslucency(0, 0, pick(1, 100));
    if (runs) source.BuildRunTable(1);

    const int dx = pick(-10, 60), dy = pick(-5, 20), srcX = pick(-3, 5);
    std::vector<std::uint8_t> expected(dest.Lock(), dest.Lock() + dest.Pitch() * dest.Height());
    BlitRect r;
    dest.ClipBlit(&r, dx, dy, sw, sh, &source, srcX, 0);
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) {
        const int s = source.PixelAt(r.srcX + x, r.srcY + y);
        if (s == key) continue;
        std::uint8_t& d = expected[(r.destY + y) * dest.Pitch() + r.destX + x];
        d = static_cast<std::uint8_t>(
            ReferenceBlend(source, source.colourTable + s * 4, dest.colourTable + d * 4));
      }
    dest.Blit(dx, dy, sw, sh, &source, srcX, 0, 0);
    ASSERT_EQ(std::vector<std::uint8_t>(dest.Lock(), dest.Lock() + dest.Pitch() * dest.Height()),
              expected)
        << "trial " << trial << (runs ? " with run table" : "");
  }
}

TEST_F(ColourTablesTest, MapsOfBothModesFollowTheTables) {
  Surface screen;
  ASSERT_EQ(screen.Create(2, 1), 1);
  screen.BuildColourTables();
  const std::uint8_t* colours = screen.colourTable;

  ColourMap tint;
  tint.Build(&screen, 0, 0, 0, 30, -20, 0);
  ASSERT_EQ(tint.mode, ColourMap::kTint);
  for (int i : {0, 7, 100, 250}) {
    const std::uint8_t* c = colours + i * 4;
    EXPECT_EQ(
        tint.At(i),
        InverseColourTable[InverseIndex(ClampTable[512 + c[2] + 30], ClampTable[512 + c[1] - 20],
                                        ClampTable[512 + c[0]])]);
  }

  ColourMap blend;
  blend.Build(&screen, 50, 25, 100, 0, 10, 0);
  ASSERT_EQ(blend.mode, ColourMap::kBlend);
  for (int i : {3, 40, 200})
    for (int j : {0, 9, 180}) {
      const std::uint8_t* c = colours + i * 4;
      const std::uint8_t* d = colours + j * 4;
      const int r = ClampTable[512 + c[2] + ((d[2] - c[2]) * 50) / 100];
      const int g = ClampTable[512 + c[1] + ((d[1] - c[1]) * 25) / 100 + 10];
      const int b = ClampTable[512 + c[0] + ((d[0] - c[0]) * 100) / 100];
      EXPECT_EQ(blend.At(i * 256 + j), InverseColourTable[InverseIndex(r, g, b)]);
    }

  // One percentage 0 and no offset: the mode stays (here the tint map's, rebuilt without the
  // offsets).
  tint.Build(&screen, 50, 50, 0, 0, 0, 0);
  EXPECT_EQ(tint.mode, ColourMap::kTint);
  EXPECT_EQ(tint.At(7), InverseColourTable[InverseIndex(colours[30], colours[29], colours[28])]);
  ColourMap none;
  none.Build(&screen, 50, 50, 0, 0, 0, 0);
  EXPECT_EQ(none.mode, ColourMap::kNone);

  // Percentages and offsets far outside their usual ranges stay inside the tables.
  ColourMap wild;
  wild.Build(&screen, 100000, -7000, 300, 900, -900, 5000);
  ASSERT_EQ(wild.mode, ColourMap::kBlend);
}

TEST_F(ColourTablesTest, MappedBlitsUseTheSourceMap) {
  ColourMap tint;
  tint.mode = ColourMap::kTint;
  tint.table = new std::uint8_t[256];
  for (int i = 0; i < 256; ++i) tint.table[i] = static_cast<std::uint8_t>(255 - i);
  ColourMap blend;
  blend.mode = ColourMap::kBlend;
  blend.table = new std::uint8_t[65536];
  for (int i = 0; i < 65536; ++i) blend.table[i] = static_cast<std::uint8_t>((i >> 8) ^ (i & 255));

  for (bool runs : {false, true}) {
    Surface source, dest;
    ASSERT_EQ(source.Create(4, 1), 1);
    ASSERT_EQ(dest.Create(4, 1), 1);
    std::uint8_t* s = source.Lock();
    s[0] = 1, s[1] = 5, s[2] = 2, s[3] = 5;  // 5 is transparent
    source.SetTransparentIndex(5);
    if (runs) source.BuildRunTable(1);
    dest.Fill(12);

    source.colourMap = &tint;
    dest.Blit(0, 0, 4, 1, &source, 0, 0, 0);
    EXPECT_EQ(dest.PixelAt(0, 0), 254);
    EXPECT_EQ(dest.PixelAt(1, 0), 12);
    EXPECT_EQ(dest.PixelAt(2, 0), 253);

    source.colourMap = &blend;
    dest.Blit(0, 0, 4, 1, &source, 0, 0, 0);
    EXPECT_EQ(dest.PixelAt(0, 0), 1 ^ 254);  // source 1 over the destination 254
    EXPECT_EQ(dest.PixelAt(2, 0), 2 ^ 253);
    EXPECT_EQ(dest.PixelAt(3, 0), 12);

    // A map in mode 0 is not used: the plain keyed copy runs.
    ColourMap none;
    source.colourMap = &none;
    dest.Blit(0, 0, 4, 1, &source, 0, 0, 0);
    EXPECT_EQ(dest.PixelAt(0, 0), 1);
    EXPECT_EQ(dest.PixelAt(1, 0), 12);
  }
}

}  // namespace
}  // namespace oru
