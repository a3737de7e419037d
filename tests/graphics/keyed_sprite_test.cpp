// LoadSprite and PrepareSprite: the key is taken before the conversion, the options pick the key,
// the table and the run table, and a failed load leaves the picture alone.
#include "oru/graphics/keyed_sprite.h"

#include <gtest/gtest.h>

#include <string>

#include "oru/data/last_error.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"
#include "tests/support/scratch_folder.h"

namespace oru {
namespace {

constexpr int kKeyed = kConvertedTransparentIndex;

void SetColour(Image& image, int index, int red, int green, int blue) {
  std::uint8_t* e = image.colourTable + index * 4;
  e[0] = static_cast<std::uint8_t>(blue);
  e[1] = static_cast<std::uint8_t>(green);
  e[2] = static_cast<std::uint8_t>(red);
}

// Four pixels: a dark key colour, a near twin of it that is a colour of its own, red, the key
// again.
void MakePicture(Surface& s) {
  s.Create(4, 1);
  SetColour(s, 3, 10, 20, 30);
  SetColour(s, 4, 12, 20, 30);
  SetColour(s, 5, 255, 0, 0);
  std::uint8_t* p = s.Lock();
  p[0] = 3, p[1] = 4, p[2] = 5, p[3] = 3;
  s.Unlock();
}

struct Case {
  const char* name;
  SpriteOptions options;
  int storedKey;        // SetColourKey before, or -1
  bool transparent[4];  // pixels that end up at the transparent index
  bool runTable;
};

TEST(KeyedSpriteTest, KeysBeforeConvertingAndFollowsTheOptions) {
  const Case cases[] = {
      // Converting first would merge the twin into the key's nearest entry and hide it too.
      {"key from the corner", {}, -1, {true, false, false, true}, true},
      {"key from another pixel", {.keyX = 2}, -1, {false, false, true, false}, true},
      {"a stored key colour wins", {}, 0x0000FF, {false, false, true, false}, true},
      {"not keyed", {.keyed = false}, -1, {false, false, false, false}, false},
      {"no run table", {.runTable = false}, -1, {true, false, false, true}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Surface s;
    MakePicture(s);
    if (c.storedKey != -1) s.SetColourKey(c.storedKey);
    PrepareSprite(s, c.options);
    const bool keyed = c.transparent[0] || c.transparent[1] || c.transparent[2];
    EXPECT_EQ(s.TransparentIndex(), keyed ? kKeyed : -1);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.PixelAt(x, 0) == kKeyed, c.transparent[x]) << x;
    EXPECT_EQ(s.runTable != nullptr, c.runTable);
  }
}

TEST(KeyedSpriteTest, ConvertsToTheGivenTable) {
  PaletteTable table;
  table.SetEntry(20, 255, 0, 0);
  Surface s;
  MakePicture(s);
  PrepareSprite(s, {.colours = &table});
  EXPECT_EQ(s.PixelAt(2, 0), 20);
  EXPECT_EQ(s.colourTable[20 * 4 + 2], 255);
  EXPECT_EQ(s.PixelAt(0, 0), kKeyed);
}

TEST(KeyedSpriteTest, LoadSpriteLoadsThenPreparesAndLeavesAFailedPictureAlone) {
  test::ScratchFolder folder("keyed_sprite");
  const std::string path = folder.Path("four.bmp");
  Surface original;
  MakePicture(original);
  ASSERT_EQ(SaveBitmap(original, path.c_str()), 1) << LastError();

  Surface loaded;
  ASSERT_EQ(LoadSprite(loaded, path.c_str()), 1) << LastError();
  EXPECT_EQ(loaded.TransparentIndex(), kKeyed);
  EXPECT_EQ(loaded.PixelAt(0, 0), kKeyed);
  EXPECT_NE(loaded.PixelAt(1, 0), kKeyed);
  EXPECT_NE(loaded.runTable, nullptr);

  Surface missing;
  EXPECT_EQ(LoadSprite(missing, folder.Path("none.bmp").c_str()), 0);
  EXPECT_STRNE(LastError(), "");
  EXPECT_EQ(missing.Width(), 0);
  EXPECT_EQ(missing.TransparentIndex(), -1);
}

// Without a pixel store there is nothing to key or convert.
TEST(KeyedSpriteTest, PrepareSpriteOfAnEmptyImageChangesNothing) {
  Surface empty;
  PrepareSprite(empty);
  EXPECT_EQ(empty.TransparentIndex(), -1);
  EXPECT_EQ(empty.runTable, nullptr);
}

}  // namespace
}  // namespace oru
