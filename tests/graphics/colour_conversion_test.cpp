// Remapping to a table or another surface's palette, collecting colours, palette text files.
#include "oru/graphics/colour_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "oru/data/last_error.h"
#include "oru/data/pack_file.h"
#include "oru/graphics/surface.h"
#include "tests/graphics/bmp_test_util.h"

namespace oru {
namespace {

using testing_bmp::PixelRows;

PaletteTable DefaultTable() {
  PaletteTable table;
  table.AddColourCube();
  return table;
}

// A 4 x 2 picture with its own colours: entry v is (v * 40, 255 - v * 30, v * 10), red, green, blue.
void MakePicture(Surface& s, int transparentIndex) {
  ASSERT_EQ(s.Create(4, 2), 1);
  for (int v = 0; v < 256; ++v) {
    std::uint8_t* e = s.colourTable + v * 4;
    e[2] = static_cast<std::uint8_t>(v * 40);
    e[1] = static_cast<std::uint8_t>(255 - v * 30);
    e[0] = static_cast<std::uint8_t>(v * 10);
  }
  const std::uint8_t values[2][4] = {{0, 1, 2, 3}, {3, 4, 5, 6}};
  for (int y = 0; y < 2; ++y) std::memcpy(s.Lock() + y * s.Pitch(), values[y], 4);
  s.SetTransparentIndex(transparentIndex);
}

TEST(RemapToTable, MapsEachColourToItsNearestDefaultEntry) {
  for (int transparent : {3, -1}) {
    Surface s;
    MakePicture(s, transparent);
    const std::vector<testing_bmp::Bytes> before = PixelRows(s);
    Surface copy;
    MakePicture(copy, transparent);
    RemapToTable(s, nullptr, 1);

    const PaletteTable table = DefaultTable();
    EXPECT_EQ(0, std::memcmp(s.colourTable, table.entries.data(), 1024)) << transparent;
    EXPECT_EQ(s.TransparentIndex(), transparent < 0 ? -1 : 245);
    const std::vector<testing_bmp::Bytes> after = PixelRows(s);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int v = before[y][x];
        const std::uint8_t* e = copy.colourTable + v * 4;
        const int expected = v == transparent ? 245 : table.NearestEntry(e[2], e[1], e[0]);
        EXPECT_EQ(after[y][x], expected) << "value " << v << ", transparent " << transparent;
      }
    }
    PaletteEntry entry;
    s.palette->GetEntries(13, 1, &entry);
    EXPECT_EQ(entry.red, table.Red(13));
    EXPECT_EQ(s.Width(), 4);
  }
}

TEST(RemapToTable, WithoutPixelRemapOnlyTheColoursChange) {
  Surface s;
  MakePicture(s, -1);
  const std::vector<testing_bmp::Bytes> before = PixelRows(s);
  PaletteTable grey;
  for (int i = 0; i < 256; ++i) grey.SetEntry(i, i, i, i);
  RemapToTable(s, &grey, 0);
  EXPECT_EQ(PixelRows(s), before);
  EXPECT_EQ(0, std::memcmp(s.colourTable, grey.entries.data(), 1024));

  Surface empty;
  RemapToTable(empty, nullptr, 1);  // no pixel store: nothing happens
  EXPECT_EQ(empty.Lock(), nullptr);
}

TEST(RemapToPaletteOf, TakesTheOtherSurfacesColours) {
  Surface target;
  ASSERT_EQ(target.Create(2, 2), 1);
  PaletteTable grey;
  for (int i = 0; i < 256; ++i) grey.SetEntry(i, i, i, i);
  RemapToTable(target, &grey, 1);

  Surface s;
  MakePicture(s, 2);
  Surface copy;
  MakePicture(copy, 2);
  RemapToPaletteOf(s, &target, 1);
  EXPECT_EQ(0, std::memcmp(s.colourTable, target.colourTable, 1024));
  EXPECT_EQ(s.TransparentIndex(), 245);
  const std::vector<testing_bmp::Bytes> after = PixelRows(s);
  const std::uint8_t* e = copy.colourTable + 4 * 4;  // pixel (1, 1) had value 4
  EXPECT_EQ(after[1][1], target.palette->NearestIndex(e[2] | (e[1] << 8) | (e[0] << 16)));
  EXPECT_EQ(after[0][2], 245);

  // Without a surface the default palette is the target.
  Surface t;
  MakePicture(t, -1);
  RemapToPaletteOf(t, nullptr, 1);
  EXPECT_EQ(0, std::memcmp(t.colourTable, DefaultTable().entries.data(), 1024));
}

TEST(AddColoursOf, AddsUsedColoursInIndexOrderOnce) {
  Surface s;
  ASSERT_EQ(s.Create(3, 2), 1);
  s.Fill(3);
  s.Lock()[1] = 7;
  s.Lock()[s.Pitch() + 2] = 7;
  auto setEntry = [&](int v, int r, int g, int b) {
    s.colourTable[v * 4 + 2] = static_cast<std::uint8_t>(r);
    s.colourTable[v * 4 + 1] = static_cast<std::uint8_t>(g);
    s.colourTable[v * 4 + 0] = static_cast<std::uint8_t>(b);
  };
  setEntry(3, 1, 2, 3);
  setEntry(7, 4, 5, 6);

  PaletteTable table;  // count 10: system colours
  AddColoursOf(table, &s);
  ASSERT_EQ(table.count, 12);
  EXPECT_EQ(table.Red(10), 1);
  EXPECT_EQ(table.Red(11), 4);
  AddColoursOf(table, &s);
  EXPECT_EQ(table.count, 12) << "colours already held are not added again";

  setEntry(3, 128, 0, 0);  // system colour 1
  PaletteTable fresh;
  AddColoursOf(fresh, &s);
  EXPECT_EQ(fresh.count, 11);

  Surface empty;
  AddColoursOf(fresh, &empty);
  AddColoursOf(fresh, nullptr);
  AddRegistryColours(fresh);
  EXPECT_EQ(fresh.count, 11);
}

class PaletteTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::path(::testing::TempDir()) /
        (std::string("oru_pal_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(PaletteTextTest, SavesRedBlueGreenAndLoadsThemBack) {
  PaletteTable table;
  table.SetEntry(0, 0x12, 0x34, 0x56);
  table.SetEntry(1, 0xAB, 0x0C, 0xFF);
  table.count = 2;
  ASSERT_EQ(SaveText(table, Path("pal.txt").c_str()), 1);
  std::ifstream f(Path("pal.txt"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "12,56,34\nAB,FF,0C\n");

  ASSERT_TRUE(PackFile::Pack(Path("pal.txt").c_str(), Path("packed.dpa").c_str()));
  for (const std::string& name : {Path("pal.txt"), Path("packed.txt")}) {
    PaletteTable loaded;
    loaded.count = 2;
    ASSERT_EQ(LoadText(loaded, name.c_str()), 1) << name;
    EXPECT_EQ(loaded.count, 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(loaded.Red(i), table.Red(i)) << name << " entry " << i;
      EXPECT_EQ(loaded.Green(i), table.Green(i)) << name << " entry " << i;
      EXPECT_EQ(loaded.Blue(i), table.Blue(i)) << name << " entry " << i;
    }
  }
}

TEST_F(PaletteTextTest, MissingOrBadLinesLeaveTheirEntries) {
  { std::ofstream(Path("short.txt")) << "01,02,03\nnot a colour\n"; }
  PaletteTable table;
  table.count = 4;
  const int red2 = table.Red(2), red3 = table.Red(3), red1 = table.Red(1);
  ASSERT_EQ(LoadText(table, Path("short.txt").c_str()), 1);
  EXPECT_EQ(table.Red(0), 1);
  EXPECT_EQ(table.Blue(0), 2);
  EXPECT_EQ(table.Green(0), 3);
  EXPECT_EQ(table.Red(1), red1);
  EXPECT_EQ(table.Red(2), red2);
  EXPECT_EQ(table.Red(3), red3);
  EXPECT_EQ(table.count, 4);

  EXPECT_EQ(LoadText(table, Path("missing.txt").c_str()), 0);
  EXPECT_STREQ(LastError(), "cannot be opened (No such file or directory)");
  EXPECT_EQ(LoadText(table, dir_.string().c_str()), 0);
  EXPECT_STREQ(LastError(), "is a folder, not a file");
  EXPECT_EQ(SaveText(table, Path("no/dir/x.txt").c_str()), 0);
}

}  // namespace
}  // namespace oru
