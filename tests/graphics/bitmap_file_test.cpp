// BMP decoding and the loaders over files, packs and resources; saving; refusal of bad data.
#include "oru/graphics/bitmap_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <tuple>

#include "oru/data/last_error.h"
#include "oru/data/pack_file.h"
#include "oru/data/whole_file.h"
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
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
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

// Every indexed depth under every header kind, against the picture the fixture was built from.
TEST(DecodeBitmap, EveryDepthUnderEveryHeaderKind) {
  for (std::uint32_t headerSize : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (int bits : {1, 2, 4, 8}) {
      for (int width : {1, 7, 9, 17}) {
        const std::string label = std::to_string(headerSize) + "-byte header, " +
                                  std::to_string(bits) + "-bit, width " + std::to_string(width);
        BmpSpec spec;
        spec.headerSize = headerSize;
        spec.width = width;
        spec.height = 3;
        spec.bits = bits;
        spec.rows = Pattern(width, 3, 1 << bits);
        const Bytes bmp = MakeBmp(spec);
        Surface image;
        ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1)
            << label << ": " << LastError();
        EXPECT_EQ(PixelRows(image), spec.rows) << label;
        ExpectColours(image, 1 << bits, label);
        BitmapHeader header;
        ASSERT_TRUE(ReadBitmapHeader(bmp.data(), bmp.size(), 0, header));
        EXPECT_EQ(header.bitCount, bits);
        EXPECT_EQ(header.infoHeaderSize, static_cast<int>(headerSize));
      }
    }
  }
}

TEST(DecodeBitmap, ColourCountIsBoundedByTheBitCountAndMissingColoursAreBlack) {
  struct Case {
    const char* label;
    int bits;
    std::uint32_t coloursUsed;
    int expectedColours;
    // clang-format off
  } cases[] = {
      {"1-bit claiming 5 colours", 1, 5, 2},
      {"2-bit claiming 256 colours", 2, 256, 4},
      {"8-bit with 3 colours, pixels up to 200", 8, 3, 3},
  };
  // clang-format on
  for (const Case& c : cases) {
    BmpSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.bits = c.bits;
    spec.coloursUsed = c.coloursUsed;
    spec.coloursWritten = c.expectedColours;
    spec.rows = {{0, 1, 1, 0}, {static_cast<std::uint8_t>(c.bits == 8 ? 200 : 1), 0, 0, 1}};
    const Bytes bmp = MakeBmp(spec);
    Surface image;
    ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1) << c.label << ": " << LastError();
    EXPECT_EQ(PixelRows(image), spec.rows) << c.label;
    ExpectColours(image, c.expectedColours, c.label);  // index 200 reads as black
  }
}

// The file header's pixel offset is used when it points inside the data at or after the colour
// table (a gap after the table); otherwise the rows are read right after the table.
TEST(DecodeBitmap, PixelOffsetIsHonouredOnlyAtOrAfterTheTable) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.coloursUsed = 4;
  spec.rows = Pattern(3, 2, 4);
  spec.gap = 10;
  spec.writeOffset = true;
  Bytes bmp = MakeBmp(spec);
  Surface image;
  ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1) << LastError();
  EXPECT_EQ(PixelRows(image), spec.rows);

  // Offsets before the end of the table, at 0 and past the end are not used.
  spec.gap = 0;
  const Bytes plain = MakeBmp(spec);
  for (std::uint32_t offset : {0u, 20u, 14u + 40u + 8u, 100000u}) {
    Bytes b = plain;
    for (int i = 0; i < 4; ++i) b[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    ASSERT_EQ(DecodeBitmap(image, b.data(), b.size(), 0), 1) << offset << ": " << LastError();
    EXPECT_EQ(PixelRows(image), spec.rows) << offset;
  }
  // More colours claimed than eight bits index: with the offset the rows are still found.
  spec.coloursUsed = 300;
  spec.coloursWritten = 300;
  spec.writeOffset = true;
  bmp = MakeBmp(spec);
  ASSERT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 1) << LastError();
  EXPECT_EQ(PixelRows(image), spec.rows);
  ExpectColours(image, 256, "300 colours claimed");
}

struct RleCase {
  const char* label;
  int bits;  // 8 or 4
  int width, height;
  Bytes stream;
  std::vector<Bytes> rows;  // top row first; empty: the decode fails
  const char* reason = "";
};

// clang-format off
const RleCase kRleCases[] = {
    {"RLE8 runs and end of line", 8, 4, 2, {2, 5, 2, 6, 0, 0, 4, 9, 0, 1}, {{9, 9, 9, 9}, {5, 5, 6, 6}}},
    {"RLE8 absolute run with its padding byte", 8, 4, 2, {0, 3, 1, 2, 3, 0xEE, 1, 4, 0, 0, 0, 4, 7, 8, 9, 10, 0, 1},
     {{7, 8, 9, 10}, {1, 2, 3, 4}}},
    {"RLE8 delta leaves 0 behind", 8, 4, 3, {1, 5, 0, 2, 2, 1, 1, 6, 0, 1}, {{0, 0, 0, 0}, {0, 0, 0, 6}, {5, 0, 0, 0}}},
    {"RLE8 early end of picture", 8, 3, 2, {3, 4, 0, 1, 3, 9}, {{0, 0, 0}, {4, 4, 4}}},
    {"RLE8 data ending between tokens", 8, 3, 2, {3, 4}, {{0, 0, 0}, {4, 4, 4}}},
    {"RLE8 run past the row is clipped", 8, 3, 2, {200, 4, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1},
     {{1, 2, 3}, {4, 4, 4}}},
    {"RLE8 rows above the picture are dropped", 8, 2, 1, {2, 1, 0, 0, 2, 2, 0, 2, 0, 200, 2, 3}, {{1, 1}}},
    {"RLE4 runs alternate the two nibbles", 4, 5, 1, {5, 0x12, 0, 1}, {{1, 2, 1, 2, 1}}},
    {"RLE4 absolute run of nibbles, padded", 4, 5, 1, {0, 5, 0x34, 0x56, 0x70, 0xEE, 0, 1}, {{3, 4, 5, 6, 7}}},
    {"RLE8 absolute run past the end of the data", 8, 4, 2, {4, 1, 0, 0, 0, 4, 1, 2}, {},
     "RLE8 run at row 1 runs past the end of the data"},
    {"RLE4 absolute run past the end of the data", 4, 8, 1, {0, 8, 0x11, 0x22}, {},
     "RLE4 run at row 0 runs past the end of the data"},
    {"RLE8 move cut short", 8, 4, 2, {0, 2, 1}, {}, "RLE8 move at row 0 is cut short by the end of the data"},
    {"RLE8 lone byte at the end", 8, 4, 2, {4, 1, 0, 0, 3}, {},
     "RLE8 token at row 1 is cut short by the end of the data"},
};
// clang-format on

TEST(DecodeBitmap, RunLengthStreams) {
  for (const RleCase& c : kRleCases) {
    BmpSpec spec;
    spec.width = c.width;
    spec.height = c.height;
    spec.bits = c.bits;
    spec.compression = c.bits == 8 ? 1 : 2;
    spec.rle = c.stream;
    spec.writeOffset = true;
    const Bytes bmp = MakeBmp(spec);
    // An old picture of the same size: nothing of it may show through the skipped pixels.
    Surface image;
    ASSERT_EQ(image.Create(c.width, c.height), 1);
    image.Fill(77);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    ClearLastError();
    const int result = DecodeBitmap(image, bmp.data(), bmp.size(), 0);
    if (c.rows.empty()) {
      EXPECT_EQ(result, 0) << c.label;
      EXPECT_STREQ(LastError(), c.reason) << c.label;
      EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.label;
    } else {
      ASSERT_EQ(result, 1) << c.label << ": " << LastError();
      EXPECT_EQ(PixelRows(image), c.rows) << c.label;
    }
  }
}

// The RLE rules written out plainly over a grid: the decoder must agree on random streams, and
// never write outside the store whatever the stream says (the sanitizer run checks that).
std::optional<std::vector<Bytes>> ReferenceRle(const Bytes& stream, bool four, int width,
                                               int height) {
  std::vector<Bytes> grid(static_cast<std::size_t>(height),
                          Bytes(static_cast<std::size_t>(width), 0));
  std::size_t k = 0;
  int x = 0, line = 0;
  auto put = [&](std::uint8_t v) {
    if (x < width && line < height)
      grid[static_cast<std::size_t>(height - 1 - line)][static_cast<std::size_t>(x)] = v;
    if (x < width) ++x;
  };
  while (line < height && k < stream.size()) {
    if (stream.size() - k < 2) return std::nullopt;
    const int n = stream[k], c = stream[k + 1];
    k += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i)
        put(static_cast<std::uint8_t>(four ? ((i & 1) ? c & 15 : c >> 4) : c));
    } else if (c == 0) {
      x = 0;
      ++line;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (stream.size() - k < 2) return std::nullopt;
      x = std::min(x + stream[k], width);
      line += stream[k + 1];
      k += 2;
    } else {
      const std::size_t bytes = four ? (c + 1) / 2 : c;
      if (stream.size() - k < bytes) return std::nullopt;
      for (int i = 0; i < c; ++i) {
        const std::uint8_t b = stream[k + (four ? i / 2 : i)];
        put(static_cast<std::uint8_t>(four ? ((i & 1) ? b & 15 : b >> 4) : b));
      }
      k += bytes + (bytes & 1);
    }
  }
  return grid;
}

TEST(DecodeBitmap, RandomRunLengthStreamsMatchThePlainRules) {
  std::mt19937 rng(1210);
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    const bool four = round % 2 == 1;
    const int width = 1 + static_cast<int>(rng() % 20), height = 1 + static_cast<int>(rng() % 6);
    // Mostly small counts and escapes, so that every kind of token turns up.
    Bytes stream(rng() % 48);
    for (auto& b : stream) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? rng() % 256 : rng() % 6);
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bits = four ? 4 : 8;
    spec.compression = four ? 2 : 1;
    spec.rle = stream;
    spec.writeOffset = true;
    const Bytes bmp = MakeBmp(spec);
    Surface image;
    const auto expected = ReferenceRle(stream, four, width, height);
    const int result = stream.empty() ? 0 : DecodeBitmap(image, bmp.data(), bmp.size(), 0);
    if (stream.empty()) continue;  // no pixel data at all: refused, as checked elsewhere
    ASSERT_EQ(result, expected ? 1 : 0) << "round " << round << ": " << LastError();
    if (expected) {
      ASSERT_EQ(PixelRows(image), *expected) << "round " << round;
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 1000);
}

TEST(DecodeBitmap, RefusedKindsSayWhy) {
  struct Case {
    const char* label;
    int bits;
    std::uint32_t compression;
    int height;
    std::uint32_t headerSize;
    const char* reason;
    // clang-format off
  } cases[] = {
      {"16-bit", 16, 0, 2, 40, "16-bit pictures are not supported (1-, 2-, 4- and 8-bit indexed ones are)"},
      {"24-bit", 24, 0, 2, 40, "24-bit pictures are not supported (1-, 2-, 4- and 8-bit indexed ones are)"},
      {"32-bit", 32, 0, 2, 108, "32-bit pictures are not supported (1-, 2-, 4- and 8-bit indexed ones are)"},
      {"64-bit", 64, 0, 2, 40, "64-bit pictures are not supported (1-, 2-, 4- and 8-bit indexed ones are)"},
      {"JPEG inside", 0, 4, 2, 40, "holds a JPEG picture inside the BMP, which is not supported"},
      {"PNG inside", 0, 5, 2, 124, "holds a PNG picture inside the BMP, which is not supported"},
      {"bit fields", 8, 3, 2, 40, "has bit-field compression with 8-bit pixels, which is not supported"},
      {"OS/2 Huffman", 1, 3, 2, 64, "is Huffman-coded (OS/2), which is not supported"},
      {"RLE8 on 4-bit", 4, 1, 2, 40, "RLE8 compression at offset 30 needs 8-bit pixels, not 4-bit"},
      {"top-down RLE4", 4, 2, -2, 40, "is a top-down RLE4 picture, which the format does not allow"},
      {"unknown compression", 8, 9, 2, 40, "has compression 9 at offset 30, which is not supported"},
      {"bit count 3", 3, 0, 2, 40, "has a bit count of 3 at offset 28, which is no BMP depth"},
      {"info header of 8 bytes", 8, 0, 2, 8, "has an info header of 8 bytes at offset 14, too short for any BMP kind"},
  };
  // clang-format on
  for (const Case& c : cases) {
    BmpSpec spec;
    spec.width = 4;
    spec.height = c.height;
    spec.bits = c.bits;
    spec.compression = c.compression;
    spec.headerSize = c.headerSize;
    spec.coloursUsed = 2;
    spec.rle = Bytes(64, 0);
    Bytes bmp = MakeBmp(spec);
    bmp.resize(bmp.size() + 64, 0);  // room for any rows, so only the kind is refused
    Surface image;
    image.Create(2, 1);
    image.Fill(9);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    ClearLastError();
    EXPECT_EQ(DecodeBitmap(image, bmp.data(), bmp.size(), 0), 0) << c.label;
    EXPECT_STREQ(LastError(), c.reason) << c.label;
    EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.label;
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
  auto cut = [&](std::size_t size) {
    return Bytes(goodBmp.begin(), goodBmp.begin() + static_cast<std::ptrdiff_t>(size));
  };
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
    const char* reason;  // LastError() afterwards
    // clang-format off
  } cases[] = {
      {"empty", {}, "is empty"},
      {"only the file header", cut(14), "is too short for a BMP info header (14 bytes)"},
      {"info header cut short", cut(50), "has an info header of 40 bytes at offset 14, past the end of the data (50 bytes)"},
      {"colour table cut short", cut(80), "has no pixel data: the colour table ends at offset 86, the data at 80"},
      {"a pixel row missing", cut(100),
       "has only 1 of its 3 pixel rows: 22 bytes from offset 86 needed, 14 there"},
      {"1-bit picture far larger than its rows", patch(28, 1, 18, 4000),
       "has only 0 of its 3 pixel rows: 1500 bytes from offset 62 needed, 48 there"},
      {"last row short of its pixels", cut(107), "has only 2 of its 3 pixel rows"},
      {"width 0", with([](BmpSpec& s) { s.width = 0; }), "has a width of 0 at offset 18; it must be at least 1"},
      {"negative width", with([](BmpSpec& s) { s.width = -6; }), "has a width of -6 at offset 18"},
      {"height 0", with([](BmpSpec& s) { s.height = 0; }), "has a height of 0 at offset 22"},
      {"width times height overflows", patch(18, 70000, 22, 70000),
       "is 70000 x 70000 pixels, more than the 268435456 bytes a picture may take"},
      {"height of -2^31", patch(18, 6, 22, 0x80000000u), "is 6 x 2147483648 pixels, more than"},
      {"info header size past the end", with([](BmpSpec& s) { s.headerSize = 0xFFFFFFF0u; }),
       "has an info header of 4294967280 bytes at offset 14, past the end of the data"},
      {"4-bit, last row short of its pixels", [&] {
         const Bytes b = with([](BmpSpec& s) { s.bits = 4; });
         return Bytes(b.begin(), b.end() - 5);
       }(), "has only 1 of its 3 pixel rows: 11 bytes from offset 86 needed, 7 there"},
      {"a pack that did not unpack", Bytes{'O', 'R', 'U', 'P', 0, 0, 0, 0}, "is a pack whose content does not unpack"},
      {"RLE8 of 256 MB in two bytes", with([](BmpSpec& s) { s.width = 16384; s.height = 16380; s.compression = 1; s.rle = {0, 1}; }),
       "is a 16384 x 16380 RLE8 picture in only 2 bytes of data; more than 16777216 bytes of pixels need a byte of data for every 256"},
      {"RLE4 just over 16 MB, just short of its data", with([](BmpSpec& s) { s.bits = 4; s.width = 4096; s.height = 4097; s.compression = 2; s.rle = Bytes(65550, 0); s.rle[1] = 1; }),
       "is a 4096 x 4097 RLE4 picture in only 65550 bytes of data"},
  };
  // clang-format on
  for (const Case& c : cases) {
    Surface image;
    image.Create(3, 2);
    image.Fill(7);
    image.SetTransparentIndex(7);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    ClearLastError();
    EXPECT_EQ(DecodeBitmap(image, c.data.data(), c.data.size(),
                           c.data.size() > 4 && c.data[0] == 'O' ? 0 : 1),
              0)
        << c.label;
    EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos)
        << c.label << ": " << LastError();
    EXPECT_TRUE(ImageSnapshot::Of(image) == before) << c.label;
  }

  // Only the last row's padding may be missing.
  Surface image;
  EXPECT_EQ(DecodeBitmap(image, goodBmp.data(), goodBmp.size() - 2, 0), 1);
  EXPECT_EQ(PixelRows(image), good.rows);

  // Up to 16 MB an RLE picture loads whatever its data, and above that with a byte of data for
  // every 256 pixels; what the stream leaves out is 0.
  for (const auto& [width, height, dataBytes] :
       {std::tuple{4096, 4096, 2}, std::tuple{4096, 4097, 65552}}) {
    BmpSpec s = good;
    s.width = width;
    s.height = height;
    s.compression = 1;
    s.rle = Bytes(static_cast<std::size_t>(dataBytes), 0);
    s.rle[dataBytes - 1] = 1;  // end of line until the end of the picture
    const Bytes bmp = MakeBmp(s);
    Surface big;
    ASSERT_EQ(DecodeBitmap(big, bmp.data(), bmp.size(), 0), 1) << height << ": " << LastError();
    EXPECT_EQ(big.PixelAt(width - 1, 0), 0);
  }
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
  ASSERT_TRUE(
      PackFile::PackMemory(bmp.data(), bmp.size(), "inplace.bmp", Path("inplace.bmp").c_str()));
  Write("plain.bmp", bmp);

  struct Case {
    const char* label;
    int (*load)(Image&, const char*);
    const char* name;
    int result;
    // clang-format off
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
  // clang-format on
  for (const Case& c : cases) {
    Surface image;
    image.Create(1, 1);
    const ImageSnapshot before = ImageSnapshot::Of(image);
    const std::uint64_t opensBefore = FileOpensOnThisThread();
    EXPECT_EQ(c.load(image, Path(c.name).c_str()), c.result) << c.label;
    if (c.result) {
      EXPECT_EQ(PixelRows(image), spec.rows) << c.label;
      // One lookup, one opening, whatever the file holds.
      EXPECT_EQ(FileOpensOnThisThread() - opensBefore, 1u) << c.label;
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
  failed.colourTable[4 * 9 + 0] = failed.colourTable[4 * 9 + 1] = failed.colourTable[4 * 9 + 2] =
      0x40;
  failed.colourKey = 0x404040;
  failed.SetTransparentIndex(-1);
  EXPECT_EQ(LoadBitmapFileRemapped(failed, Path("none.bmp").c_str()), 0);
  EXPECT_EQ(failed.TransparentIndex(), 9);
}

}  // namespace
}  // namespace oru
