// The default palette layout, colour search and native palettes.
#include <gtest/gtest.h>

#include "oru/graphics/image_info.h"
#include "oru/graphics/palette.h"
#include "oru/graphics/palette_table.h"

namespace oru {
namespace {

struct Rgb {
  int red, green, blue;
};

Rgb EntryOf(const PaletteTable& t, int i) { return {t.Red(i), t.Green(i), t.Blue(i)}; }

PaletteTable DefaultTable() {
  PaletteTable t;
  t.AddColourCube();
  return t;
}

TEST(PaletteTableTest, DefaultLayout) {
  PaletteTable fresh;
  EXPECT_EQ(fresh.count, 10);
  const PaletteTable t = DefaultTable();
  EXPECT_EQ(t.count, 218);

  const struct {
    int index;
    Rgb colour;
  } cases[] = {
      {0, {0, 0, 0}},         {1, {128, 0, 0}},       {9, {166, 202, 240}},
      {10, {0, 51, 0}},       {11, {0, 102, 0}},      {217, {255, 204, 255}},
      {246, {255, 251, 240}}, {255, {255, 255, 255}}, {248, {128, 128, 128}},
  };
  for (const auto& c : cases) {
    const Rgb e = EntryOf(t, c.index);
    EXPECT_EQ(e.red, c.colour.red) << "entry " << c.index;
    EXPECT_EQ(e.green, c.colour.green) << "entry " << c.index;
    EXPECT_EQ(e.blue, c.colour.blue) << "entry " << c.index;
  }
  for (int i = 218; i < 246; ++i) {
    for (int b = 0; b < 4; ++b) EXPECT_EQ(t.entries[i * 4 + b], 0) << "entry " << i;
  }
  // Table bytes are blue, green, red, flags.
  EXPECT_EQ(t.entries[1 * 4 + 2], 128);
  EXPECT_EQ(t.entries[1 * 4 + 0], 0);

  // No colour of the cube repeats a corner: the 208 cube entries are all distinct.
  for (int i = 10; i < 218; ++i) EXPECT_EQ(t.FindExact(t.Red(i), t.Green(i), t.Blue(i)), i);
}

TEST(PaletteTableTest, NearestEntryPrefersLowestIndexAndSkipsNothing) {
  const PaletteTable t = DefaultTable();
  // Black is at 0 and at 218-245: the lowest wins.
  EXPECT_EQ(t.NearestEntry(0, 0, 0), 0);
  EXPECT_EQ(t.NearestEntry(255, 255, 255), 255);
  EXPECT_EQ(t.NearestEntry(0, 50, 0), 10);
  // Red 204 green 0 blue 0 is in the cube (i = 4, j = 0, k = 0).
  EXPECT_EQ(t.FindExact(204, 0, 0), t.NearestEntry(200, 3, 2));

  PaletteTable dup;
  dup.SetEntry(3, 10, 20, 30);
  dup.SetEntry(7, 10, 20, 30);
  EXPECT_EQ(dup.NearestEntry(11, 20, 30), 3);
  EXPECT_EQ(dup.FindExact(10, 20, 30), 3);
  EXPECT_EQ(dup.FindExact(10, 20, 31), -1);
}

TEST(PaletteTableTest, AddColourAppendsOnlyNewColoursBelowTheSystemTop) {
  PaletteTable t;
  // Present above count (entry 255, white): nothing is added.
  t.AddColour(255, 255, 255);
  EXPECT_EQ(t.count, 10);
  t.AddColour(1, 2, 3);
  EXPECT_EQ(t.count, 11);
  EXPECT_EQ(t.FindExact(1, 2, 3), 10);
  t.AddColour(1, 2, 3);
  EXPECT_EQ(t.count, 11);

  for (int i = 0; t.count < 246; ++i) t.AddColour(i, 7, 9);
  t.AddColour(99, 99, 99);
  EXPECT_EQ(t.count, 246);
  EXPECT_EQ(t.FindExact(99, 99, 99), -1);
  EXPECT_EQ(EntryOf(t, 246).red, 255);  // system colour 10 still there
  EXPECT_EQ(EntryOf(t, 246).green, 251);
}

TEST(PaletteTest, CreateOnceWithDefaultColours) {
  Palette p;
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.NearestIndex(0x00FF00FF), 0);  // no native palette yet
  ASSERT_EQ(p.Create(256), 1);
  ASSERT_NE(p.Handle(), nullptr);
  PaletteEntry e[256];
  ASSERT_EQ(p.GetEntries(0, 256, e), 256);
  EXPECT_EQ(e[10].green, 51);
  EXPECT_EQ(e[217].red, 255);
  EXPECT_EQ(e[217].green, 204);
  EXPECT_EQ(p.NearestIndex(0x00FFFFFF), 255);
  EXPECT_EQ(p.NearestIndex(0x000000FF), 249);  // pure red: system colour 13

  PaletteTable custom;
  custom.SetEntry(0, 9, 9, 9);
  p.ApplyTable(custom);
  ASSERT_EQ(p.Create(256), 0);  // already created: the entries stay
  p.GetEntries(0, 1, e);
  EXPECT_EQ(e[0].red, 9);
  EXPECT_EQ(p.GetEntries(250, 10, e), 6);
  EXPECT_EQ(p.GetEntries(-1, 10, e), 0);
}

TEST(PaletteTest, InfoEntriesConvertToPlatformOrderAndCopy) {
  ImageInfo info{};
  info.colours[5] = ColourEntry{30, 20, 10, 4};  // blue, green, red, flags
  Palette p;
  p.SetFromInfo(info);
  PaletteEntry e[256];
  p.GetEntries(0, 256, e);
  EXPECT_EQ(e[5].red, 10);
  EXPECT_EQ(e[5].green, 20);
  EXPECT_EQ(e[5].blue, 30);
  EXPECT_EQ(e[5].flags, 4);
  EXPECT_EQ(p.NearestIndex(0x001E140A), 5);

  Palette copy;
  copy.CopyFrom(p);
  PaletteEntry c[256];
  copy.GetEntries(0, 256, c);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(c[i].red, e[i].red);
    EXPECT_EQ(c[i].blue, e[i].blue);
  }
}

}  // namespace
}  // namespace oru
