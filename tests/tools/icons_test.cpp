// The desktop icons: the crab fitted to each size, and the PNG files they are written as.
#include "tools/assetgen/icons.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/assetgen/palette.h"

namespace oru::assetgen {
namespace {

std::uint32_t Big32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// Reads a PNG of the kind EncodePng writes back into RGBA, checking every chunk's CRC.
bool DecodePng(const std::vector<std::uint8_t>& png, int* width, int* height,
               std::vector<std::uint8_t>* rgba) {
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(std::begin(signature), std::end(signature), png.begin()))
    return false;
  std::vector<std::uint8_t> packed;
  bool ended = false;
  for (std::size_t at = 8; at + 12 <= png.size() && !ended;) {
    const std::uint32_t length = Big32(png, at);
    if (at + 12 + length > png.size()) return false;
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    const std::uint8_t* data = png.data() + at + 8;
    if (crc32(0, png.data() + at + 4, length + 4) != Big32(png, at + 8 + length)) return false;
    if (type == "IHDR") {
      *width = static_cast<int>(Big32(png, at + 8));
      *height = static_cast<int>(Big32(png, at + 12));
      if (data[8] != 8 || data[9] != 6 || data[12] != 0)
        return false;  // 8-bit RGBA, not interlaced
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  const std::size_t row = static_cast<std::size_t>(*width) * 4 + 1;
  std::vector<std::uint8_t> raw(row * static_cast<std::size_t>(*height));
  uLongf rawSize = raw.size();
  if (!ended || uncompress(raw.data(), &rawSize, packed.data(), packed.size()) != Z_OK ||
      rawSize != raw.size())
    return false;
  rgba->clear();
  for (int y = 0; y < *height; ++y) {
    if (raw[y * row] != 0) return false;  // filter "none" on every row
    rgba->insert(rgba->end(), raw.begin() + static_cast<std::ptrdiff_t>(y * row + 1),
                 raw.begin() + static_cast<std::ptrdiff_t>((y + 1) * row));
  }
  return true;
}

TEST(IconsTest, EverySizeIsTheCrabCentredOnATransparentSquare) {
  const Picture crab = CrabIconSource();
  for (int size : kIconSizes) {
    SCOPED_TRACE(size);
    const IconImage icon = MakeIcon(crab, size);
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(DecodePng(EncodePng(icon), &width, &height, &rgba));
    EXPECT_EQ(width, size);
    EXPECT_EQ(height, size);
    EXPECT_EQ(rgba, icon.rgba);
    auto alpha = [&](int x, int y) {
      return rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3];
    };
    // The margin stays clear; the crab (legs, claws and eyes around a round body) fills a fair
    // share of the rest.
    const int margin = std::max(1, size / 16);
    int opaque = 0, edge = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        if (alpha(x, y) == 255) ++opaque;
        if ((x < margin - 1 || y < margin - 1 || x > size - margin || y > size - margin) &&
            alpha(x, y))
          ++edge;
      }
    EXPECT_EQ(edge, 0);
    EXPECT_GT(opaque, size * size / 6);
    EXPECT_EQ(alpha(size / 2, size / 2 + size / 8), 255);  // the shell
  }
}

TEST(IconsTest, LargeIconsEnlargeTheCrabByWholePixels) {
  // At 256 the 40-pixel cell is enlarged 5 or 6 times: every colour in the picture is a crab
  // colour, none blended at the edges.
  const IconImage icon = MakeIcon(CrabIconSource(), 256);
  const auto& colours = DefaultColours();
  for (std::size_t i = 0; i < icon.rgba.size(); i += 4) {
    if (icon.rgba[i + 3] == 0) continue;
    ASSERT_EQ(icon.rgba[i + 3], 255);
    const Rgb c{icon.rgba[i], icon.rgba[i + 1], icon.rgba[i + 2]};
    ASSERT_NE(std::find(colours.begin(), colours.end(), c), colours.end());
  }
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

TEST(IconsTest, WritesOneFilePerSizeAndTheWindowsIconFile) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("oru_icons_" + std::to_string(::getpid()));
  std::string error;
  ASSERT_TRUE(WriteIcons(dir.string(), &error)) << error;
  for (int size : kIconSizes) {
    const std::vector<std::uint8_t> png =
        ReadBytes(dir / ("icon-" + std::to_string(size) + ".png"));
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    EXPECT_TRUE(DecodePng(png, &width, &height, &rgba)) << size;
    EXPECT_EQ(width, size);
  }

  // The .ico's directory names each Windows size once, and its pictures are the PNG files of
  // those sizes, laid out within the file without overlapping.
  const std::vector<std::uint8_t> ico = ReadBytes(dir / "icon.ico");
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(Little(ico, 0, 2), 0u);
  EXPECT_EQ(Little(ico, 2, 2), 1u);
  ASSERT_EQ(Little(ico, 4, 2), kIcoSizes.size());
  std::size_t nextPicture = 6 + 16 * kIcoSizes.size();
  for (std::size_t i = 0; i < kIcoSizes.size(); ++i) {
    const int size = kIcoSizes[i];
    SCOPED_TRACE(size);
    const std::size_t entry = 6 + 16 * i;
    ASSERT_LE(entry + 16, ico.size());
    EXPECT_EQ(ico[entry], size == 256 ? 0 : size);
    EXPECT_EQ(ico[entry + 1], size == 256 ? 0 : size);
    EXPECT_EQ(Little(ico, entry + 4, 2), 1u);   // planes
    EXPECT_EQ(Little(ico, entry + 6, 2), 32u);  // bits per pixel
    const std::uint32_t bytes = Little(ico, entry + 8, 4), offset = Little(ico, entry + 12, 4);
    EXPECT_EQ(offset, nextPicture);
    ASSERT_LE(std::size_t{offset} + bytes, ico.size());
    nextPicture = std::size_t{offset} + bytes;
    const std::vector<std::uint8_t> picture(ico.begin() + offset, ico.begin() + offset + bytes);
    EXPECT_EQ(picture, ReadBytes(dir / ("icon-" + std::to_string(size) + ".png")));
  }
  EXPECT_EQ(nextPicture, ico.size());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace oru::assetgen
