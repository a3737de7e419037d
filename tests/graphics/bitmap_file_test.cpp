// BMP decoding and the loaders over files, packs and resources; saving; refusal of bad data.
#include "oru/graphics/bitmap_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "oru/data/pack_file.h"
#include "oru/graphics/surface.h"
#include "oru/platform/resources.h"
#include "tests/graphics/bmp_test_util.h"

namespace oru {
namespace {

using namespace testing_bmp;

class BitmapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path(::testing::TempDir()) / (std::string("oru_bmp_") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const std::string& name) {
    std::ifstream f(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir_;
};

void ExpectColours(Image& image, int fileColours, const std::string& label) {
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* e = image.colourTable + i * 4;
    if (i < fileColours) {
      ASSERT_EQ(e[0], TestBlue(i)) << label << " entry " << i;
      ASSERT_EQ(e[1], TestGreen(i)) << label << " entry " << i;
      ASSERT_EQ(e[2], TestRed(i)) << label << " entry " << i;
    } else {
      ASSERT_EQ(e[0] | e[1] | e[2] | e[3], 0) << label << " entry " << i << " should be zero";
    }
  }
}

TEST(DecodeBitmap, FourAndEightBitPicturesOfEveryNarrowWidth) {
  for (int bits : {4, 8}) {
    for (int width = 1; width <= 9; ++width) {
      for (std::uint32_t used : {0u, 5u}) {
        const std::string label = std::to_string(bits) + "-bit, width " + std::to_string(width) +
                                  ", colours used " + std::to_string(used);
        BmpSpec spec;
        spec.width = width;
        spec.height = 3;
        spec.bits = bits;
        spec.coloursUsed = used;
        spec.rows = Pattern(width, 3, bits == 4 ? 16 : 256);
        const Bytes bmp = MakeBmp(spec);
        Surface image;
        ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1) << label;
        EXPECT_EQ(image.Width(), width) << label;
        EXPECT_EQ(image.Height(), 3) << label;
        EXPECT_EQ(image.Pitch(), (width + 3) / 4 * 4) << label;
        EXPECT_EQ(PixelRows(image), spec.rows) << label;
        ExpectColours(image, used ? static_cast<int>(used) : (bits == 4 ? 16 : 256), label);
        PaletteEntry first;
        image.palette->GetEntries(1, 1, &first);
        EXPECT_EQ(first.red, TestRed(1)) << label << ": the palette takes the file's colours";
      }
    }
  }
}

TEST(DecodeBitmap, NegativeHeightIsATopDownPicture) {
  BmpSpec spec;
  spec.width = 5;
  spec.height = -4;
  spec.rows = Pattern(5, 4, 256);
  const Bytes bmp = MakeBmp(spec);
  Surface image;
  ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1);
  EXPECT_EQ(image.Height(), 4);
  EXPECT_EQ(PixelRows(image), spec.rows);
}

TEST(DecodeBitmap, LongerInfoHeaderMovesTheColourTable) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.headerSize = 124;
  spec.coloursUsed = 4;
  spec.rows = Pattern(3, 2, 4);
  const Bytes bmp = MakeBmp(spec);
  Surface image;
  ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1);
  EXPECT_EQ(PixelRows(image), spec.rows);
  ExpectColours(image, 4, "124-byte header");
}

TEST(DecodeBitmap, FileHeaderIsRequiredUnlessOptional) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.fileHeader = false;
  spec.rows = Pattern(2, 2, 256);
  const Bytes bmp = MakeBmp(spec);
  Surface image;
  EXPECT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 0);
  EXPECT_EQ(image.Lock(), nullptr);
  ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 1), 1);
  EXPECT_EQ(PixelRows(image), spec.rows);
}

TEST(DecodeBitmap, OtherDepthsTakeSizeAndColoursButNoPixels) {
  struct Case {
    int bits;
    int result;
  } cases[] = {{1, 1}, {16, 1}, {32, 1}, {24, 0}};
  for (const Case& c : cases) {
    BmpSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.bits = c.bits;
    spec.coloursUsed = 2;
    const Bytes bmp = MakeBmp(spec);
    Surface image;
    image.Create(2, 1);
    image.Fill(9);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    EXPECT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), c.result) << c.bits;
    if (c.result) {
      EXPECT_EQ(image.Width(), 4) << c.bits;
      ExpectColours(image, 2, std::to_string(c.bits) + "-bit");
      EXPECT_EQ(PixelRows(image), (std::vector<Bytes>{{9, 9, 0, 0}, {0, 0, 0, 0}})) << c.bits;
    } else {
      EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.bits;
    }
  }
}

TEST(DecodeBitmap, BadDataFailsAndLeavesTheImageAlone) {
  BmpSpec good;
  good.width = 6;
  good.height = 3;
  good.coloursUsed = 8;
  good.rows = Pattern(6, 3, 8);
  const Bytes goodBmp = MakeBmp(good);  // 14 + 40 + 32 + 3 rows of 8 = 110 bytes
  ASSERT_EQ(goodBmp.size(), 110u);

  auto with = [&](auto change) {
    BmpSpec s = good;
    change(s);
    return MakeBmp(s);
  };
  auto cut = [&](std::size_t size) { return Bytes(goodBmp.begin(), goodBmp.begin() + static_cast<std::ptrdiff_t>(size)); };
  // The header's width and height words rewritten in place, the rows left as they were.
  auto patch = [&](std::size_t at1, std::uint32_t v1, std::size_t at2, std::uint32_t v2) {
    Bytes b = goodBmp;
    for (int i = 0; i < 4; ++i) {
      b[at1 + i] = static_cast<std::uint8_t>(v1 >> (8 * i));
      b[at2 + i] = static_cast<std::uint8_t>(v2 >> (8 * i));
    }
    return b;
  };
  struct Case {
    const char* label;
    Bytes data;
  } cases[] = {
      {"empty", {}},
      {"only the file header", cut(14)},
      {"info header cut short", cut(50)},
      {"colour table cut short", cut(80)},
      {"a pixel row missing", cut(100)},
      {"1-bit picture far larger than its rows", patch(28, 1, 18, 4000)},
      {"last row short of its pixels", cut(107)},
      {"width 0", with([](BmpSpec& s) { s.width = 0; })},
      {"negative width", with([](BmpSpec& s) { s.width = -6; })},
      {"height 0", with([](BmpSpec& s) { s.height = 0; })},
      {"width times height overflows", patch(18, 70000, 22, 70000)},
      {"height of -2^31", patch(18, 6, 22, 0x80000000u)},
      {"colours used above 256", with([](BmpSpec& s) { s.coloursUsed = 300; s.coloursWritten = 300; })},
      {"info header size past the end", with([](BmpSpec& s) { s.headerSize = 0xFFFFFFF0u; })},
      {"4-bit, last row short of its pixels", [&] {
         const Bytes b = with([](BmpSpec& s) { s.bits = 4; });
         return Bytes(b.begin(), b.end() - 5);
       }()},
  };
  for (const Case& c : cases) {
    Surface image;
    image.Create(3, 2);
    image.Fill(7);
    image.SetTransparentIndex(7);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    EXPECT_EQ(DecodeBitmap(image, c.data.data(), c.data.size(), 1), 0) << c.label;
    EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.label;
  }

  // Only the last row's padding may be missing.
  Surface image;
  EXPECT_EQ(DecodeBitmap(image, goodBmp.data(), goodBmp.size() - 2, 0), 1);
  EXPECT_EQ(PixelRows(image), good.rows);
}

TEST_F(BitmapFileTest, SaveWritesAnEightBitFileThatLoadsBackUnchanged) {
  Surface one;
  ASSERT_EQ(one.Create(1, 1), 1);
  ASSERT_EQ(SaveBitmap(one, Path("one.bmp").c_str()), 1);
  const Bytes saved = Read("one.bmp");
  ASSERT_EQ(saved.size(), 1082u);
  EXPECT_EQ(saved[2] | (saved[3] << 8) | (saved[4] << 16) | (saved[5] << 24), 1082);
  EXPECT_EQ(saved[10] | (saved[11] << 8), 1078);

  for (int bits : {4, 8}) {
    BmpSpec spec;
    spec.width = 7;
    spec.height = 5;
    spec.bits = bits;
    spec.rows = Pattern(7, 5, bits == 4 ? 16 : 256);
    Write("in.bmp", MakeBmp(spec));
    Surface original, reloaded;
    ASSERT_EQ(LoadBitmap(original, Path("in.bmp").c_str()), 1) << bits;
    ASSERT_EQ(SaveBitmap(original, Path("out.bmp").c_str()), 1) << bits;
    ASSERT_EQ(LoadBitmap(reloaded, Path("out.bmp").c_str()), 1) << bits;
    EXPECT_TRUE(ImageSnapshot::Of(reloaded) == ImageSnapshot::Of(original)) << bits;
    EXPECT_EQ(Read("out.bmp").size(), 1078u + 8u * 5u) << bits;
  }

  Surface empty;
  EXPECT_EQ(SaveBitmap(empty, Path("empty.bmp").c_str()), 0);
  EXPECT_EQ(SaveBitmap(one, Path("no/such/dir/x.bmp").c_str()), 0);
}

TEST_F(BitmapFileTest, LoadersFindPlainFilesAndPacks) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.rows = Pattern(4, 2, 256);
  const Bytes bmp = MakeBmp(spec);
  ASSERT_TRUE(PackFile::PackMemory(bmp.data(), bmp.size(), "kani.bmp", Path("kani.dpa").c_str()));
  ASSERT_TRUE(PackFile::PackMemory(bmp.data(), bmp.size(), "inplace.bmp", Path("inplace.bmp").c_str()));
  Write("plain.bmp", bmp);

  struct Case {
    const char* label;
    int (*load)(Image&, const char*);
    const char* name;
    int result;
  } cases[] = {
      {"LoadBitmap, plain", [](Image& i, const char* n) { return LoadBitmap(i, n); }, "plain.bmp", 1},
      {"LoadBitmap, pack", [](Image& i, const char* n) { return LoadBitmap(i, n); }, "kani.bmp", 1},
      {"LoadBitmap, missing", [](Image& i, const char* n) { return LoadBitmap(i, n); }, "none.bmp", 0},
      {"LoadBitmapFile, plain", LoadBitmapFile, "plain.bmp", 1},
      {"LoadBitmapFile, pack", LoadBitmapFile, "kani.bmp", 1},
      {"LoadBitmapFile, missing", LoadBitmapFile, "none.bmp", 0},
      {"LoadBitmap, pack under the plain name", [](Image& i, const char* n) { return LoadBitmap(i, n); }, "inplace.bmp", 1},
      {"LoadBitmapFile, pack under the plain name", LoadBitmapFile, "inplace.bmp", 1},
  };
  for (const Case& c : cases) {
    Surface image;
    image.Create(1, 1);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    EXPECT_EQ(c.load(image, Path(c.name).c_str()), c.result) << c.label;
    if (c.result) {
      EXPECT_EQ(PixelRows(image), spec.rows) << c.label;
    } else {
      EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.label;
    }
  }
}

TEST(BitmapResources, HeaderlessResourcesLoadOnlyThroughTheResourceLoader) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 3;
  spec.fileHeader = false;
  spec.rows = Pattern(3, 3, 256);
  const Bytes raw = MakeBmp(spec);
  const Bytes packed = PackFile::BuildImage(raw.data(), raw.size(), "res.bmp");
  ASSERT_TRUE(RegisterResource("bmp.raw", "BITMAP", raw.data(), raw.size()));
  ASSERT_TRUE(RegisterResource("bmp.packed", "BITMAP", packed.data(), packed.size()));
  for (const char* name : {"bmp.raw", "bmp.packed"}) {
    Surface image;
    ASSERT_EQ(LoadBitmapResource(image, name, "BITMAP"), 1) << name;
    EXPECT_EQ(PixelRows(image), spec.rows) << name;
    Surface viaSource;
    EXPECT_EQ(LoadBitmap(viaSource, name, "BITMAP"), 0) << name << ": a file header is required";
  }
  Surface image;
  EXPECT_EQ(LoadBitmapResource(image, "bmp.raw", "WAVE"), 0);
  EXPECT_EQ(LoadBitmapResource(image, "bmp.none", "BITMAP"), 0);
  UnregisterResource("bmp.raw", "BITMAP");
  UnregisterResource("bmp.packed", "BITMAP");
}

TEST_F(BitmapFileTest, RemappedLoadMovesTheColourKeyToIndex245) {
  // A 4-bit picture whose entry 15 is white.
  BmpSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.bits = 4;
  spec.rows = {{15, 1, 15, 2}, {3, 15, 4, 15}};
  Bytes bmp = MakeBmp(spec);
  const std::size_t white = 14 + 40 + 15 * 4;
  bmp[white] = bmp[white + 1] = bmp[white + 2] = 255;
  Write("key.bmp", bmp);

  Surface image;
  image.SetColourKey(0xFFFFFF);
  ASSERT_EQ(LoadBitmapFileRemapped(image, Path("key.bmp").c_str()), 1);
  EXPECT_EQ(image.TransparentIndex(), 245);
  const std::vector<Bytes> rows = PixelRows(image);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(rows[y][x] == 245, spec.rows[y][x] == 15) << x << "," << y;

  // A failed load still re-applies the key to the old colour table, and does not remap.
  Surface failed;
  failed.Create(2, 2);
  failed.colourTable[4 * 9 + 0] = failed.colourTable[4 * 9 + 1] = failed.colourTable[4 * 9 + 2] = 0x40;
  failed.colourKey = 0x404040;
  failed.SetTransparentIndex(-1);
  EXPECT_EQ(LoadBitmapFileRemapped(failed, Path("none.bmp").c_str()), 0);
  EXPECT_EQ(failed.TransparentIndex(), 9);
}

}  // namespace
}  // namespace oru
