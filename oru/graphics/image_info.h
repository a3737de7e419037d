// ImageInfo: the 1064-byte header block of an image's pixel store, a 40-byte bitmap info header
// followed by 256 colour entries. Bitmap files write it unchanged, so its layout is fixed to the
// byte: little-endian fields, no padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

struct BitmapInfoHeader {
  std::uint32_t size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: the store itself keeps rows top-down
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 8;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 256;
  std::uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// One colour entry of an image: blue, green, red, then the palette flag byte.
struct ColourEntry {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};
static_assert(sizeof(ColourEntry) == 4);

struct ImageInfo {
  BitmapInfoHeader header;
  ColourEntry colours[256];
};
static_assert(sizeof(ImageInfo) == 1064);
static_assert(offsetof(ImageInfo, colours) == 40);

}  // namespace oru
