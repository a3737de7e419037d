// The named-surface registry: claiming slots, a full registry, names through shared pixels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface_registry.h"
#include "tests/graphics/bmp_test_util.h"

namespace oru {
namespace {

using testing_bmp::BmpSpec;
using testing_bmp::MakeBmp;

class SurfaceRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           (std::string("oru_registry_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.rows = {{1, 2, 3}, {4, 5, 6}};
    const auto bytes = MakeBmp(spec);
    std::ofstream(Path("pic.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(SurfaceRegistryTest, LoadsClaimSlotsInOrderAndReuseTheirNames) {
  SurfaceRegistry registry;
  EXPECT_EQ(registry.IndexOf(""), 0);
  EXPECT_EQ(registry.Find("crab"), nullptr);

  EXPECT_EQ(registry.LoadBitmapFile("crab", Path("pic.bmp").c_str()), 1);
  EXPECT_EQ(registry.LoadBitmap("monkey", Path("pic.bmp").c_str(), nullptr), 1);
  EXPECT_EQ(registry.IndexOf("crab"), 0);
  EXPECT_EQ(registry.IndexOf("monkey"), 1);
  EXPECT_EQ(registry.Find("crab")->Width(), 3);
  EXPECT_EQ(registry.Find("monkey")->PixelAt(2, 1), 6);

  EXPECT_EQ(registry.LoadBitmapFile("crab", Path("pic.bmp").c_str()), 1);  // reload, same slot
  EXPECT_EQ(registry.IndexOf(""), 2);

  // A failed load keeps the name it claimed; the surface keeps what it held.
  EXPECT_EQ(registry.LoadBitmapFile("octopus", Path("missing.bmp").c_str()), 0);
  EXPECT_EQ(registry.IndexOf("octopus"), 2);
  EXPECT_EQ(registry.Find("octopus")->info, nullptr);
  EXPECT_EQ(registry.LoadBitmapResource("ink", "NO_SUCH_RESOURCE", "BITMAP"), 0);
  EXPECT_EQ(registry.IndexOf("ink"), 3);

  // Names are exact; 31 characters fit, longer, empty and null ones are refused unclaimed.
  EXPECT_EQ(registry.IndexOf("Crab"), -1);
  const std::string longest(31, 'n');
  EXPECT_EQ(registry.LoadBitmapFile(longest.c_str(), Path("pic.bmp").c_str()), 1);
  EXPECT_EQ(registry.IndexOf(longest.c_str()), 4);
  const std::string tooLong(32, 'n');
  EXPECT_EQ(registry.LoadBitmapFile(tooLong.c_str(), Path("pic.bmp").c_str()), 0);
  EXPECT_EQ(registry.LoadBitmapFile("", Path("pic.bmp").c_str()), 0);
  EXPECT_EQ(registry.LoadBitmapFile(nullptr, Path("pic.bmp").c_str()), 0);
  EXPECT_EQ(registry.IndexOf(""), 5);
}

TEST_F(SurfaceRegistryTest, AFullRegistryRefusesNewNamesOnly) {
  SurfaceRegistry registry;
  for (int i = 0; i < SurfaceRegistry::kSlotCount; ++i)
    ASSERT_EQ(registry.LoadBitmapFile(("pic" + std::to_string(i)).c_str(), Path("pic.bmp").c_str()),
              1);
  EXPECT_EQ(registry.IndexOf(""), -1);
  EXPECT_EQ(registry.LoadBitmapFile("pic50", Path("pic.bmp").c_str()), 0);
  EXPECT_EQ(registry.IndexOf("pic50"), -1);
  EXPECT_EQ(registry.LoadBitmapFile("pic49", Path("pic.bmp").c_str()), 1);
  EXPECT_EQ(registry.IndexOf("pic49"), 49);
}

TEST_F(SurfaceRegistryTest, NameOfFollowsSharedPixels) {
  SurfaceRegistry registry;
  Surface loose;
  EXPECT_STREQ(registry.NameOf(&loose), "");  // no pixels: the first slot without pixels
  for (const char* name : {"a", "b", "c", "d"})
    ASSERT_EQ(registry.LoadBitmapFile(name, Path("pic.bmp").c_str()), 1);
  Surface sharer;
  sharer.ShareImage(registry.Find("d"));
  EXPECT_STREQ(registry.NameOf(&sharer), "d");
  ASSERT_EQ(loose.Create(3, 2), 1);
  EXPECT_EQ(registry.NameOf(&loose), nullptr);
}

TEST_F(SurfaceRegistryTest, RemapAllSkipsSlotsWithoutPixels) {
  SurfaceRegistry registry;
  ASSERT_EQ(registry.LoadBitmapFile("pic", Path("pic.bmp").c_str()), 1);
  registry.RemapAllToTable(nullptr);
  EXPECT_EQ(registry.SurfaceAt(1)->info, nullptr);
  // After the remap the picture holds default-palette indices of its old colours.
  Surface reference;
  ASSERT_EQ(reference.Create(1, 1), 1);
  const std::uint8_t* e =
      registry.Find("pic")->colourTable + registry.Find("pic")->PixelAt(0, 0) * 4;
  EXPECT_EQ(e[2], reference.colourTable[registry.Find("pic")->PixelAt(0, 0) * 4 + 2]);
}

TEST_F(SurfaceRegistryTest, GlobalRegistryServesSharingAndColourCollection) {
  SurfaceRegistry& global = SurfaceRegistry::Global();
  Surface sharer;
  // Slots are never released, so only the first run in a process sees the name unregistered.
  if (global.IndexOf("registry-test") < 0) {
    EXPECT_EQ(sharer.ShareRegisteredImage("registry-test"), 0);
  }
  EXPECT_EQ(sharer.ShareRegisteredImage(""), 0);
  ASSERT_EQ(global.LoadBitmapFile("registry-test", Path("pic.bmp").c_str()), 1);
  EXPECT_EQ(sharer.ShareRegisteredImage("registry-test"), 1);
  EXPECT_EQ(sharer.PixelAt(0, 0), 1);
  EXPECT_EQ(sharer.ownsPixels, 0);

  PaletteTable table;
  AddRegistryColours(table);
  // The ten system colours, then one per pixel value of the picture, 1 to 6 in order.
  ASSERT_EQ(table.count, 16);
  EXPECT_EQ(table.Red(10), testing_bmp::TestRed(1));
  EXPECT_EQ(table.Red(15), testing_bmp::TestRed(6));

  // Leave the slot without pixels, as other tests expect of the global registry.
  sharer.ReleasePixels();
  global.Find("registry-test")->ReleasePixels();
}

// The sequence of the registry's usage note: load under a name, share it into a sprite, remap
// every slot, reload, and let the sprite go on drawing.
TEST_F(SurfaceRegistryTest, UsageSequenceKeepsSharersValid) {
  SurfaceRegistry registry;
  ASSERT_EQ(registry.LoadBitmapFile("crab", Path("pic.bmp").c_str()), 1);
  Surface sprite;
  sprite.ShareImage(registry.Find("crab"));
  sprite.SetTransparentIndex(1);
  sprite.BuildRunTable(1);
  registry.RemapAllToTable(nullptr);
  // The remap converted the shared pixels in place before the slot moved to a new store.
  EXPECT_EQ(sprite.PixelAt(2, 1), registry.Find("crab")->PixelAt(2, 1));
  ASSERT_EQ(registry.LoadBitmapFile("crab", Path("pic.bmp").c_str()), 1);
  EXPECT_EQ(registry.Find("crab")->PixelAt(2, 1), 6);
  Surface screen;
  ASSERT_EQ(screen.Create(8, 8), 1);
  sprite.Draw(&screen);
  EXPECT_EQ(sprite.Width(), 3);
  EXPECT_EQ(registry.NameOf(&sprite), nullptr);  // the slot has moved on to its new store
}

}  // namespace
}  // namespace oru
