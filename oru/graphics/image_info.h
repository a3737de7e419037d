/// \file
/// ImageInfo: the 1064-byte header block of an image's pixel store, a 40-byte bitmap info header
/// followed by 256 colour entries. Bitmap files write it unchanged, so its layout is fixed to the
/// byte: little-endian fields, no padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

/// The 40-byte header of an 8-bit image, laid out as in a BMP file.
struct BitmapInfoHeader {
  /// Bytes of this header: 40.
  std::uint32_t size = 40;
  /// Width in pixels.
  std::int32_t width = 0;
  std::int32_t height = 0;  ///< positive: the store itself keeps rows top-down
  /// Always 1.
  std::uint16_t planes = 1;
  /// Bits per pixel: 8.
  std::uint16_t bitCount = 8;
  /// 0: not compressed.
  std::uint32_t compression = 0;
  /// Bytes of the pixels; 0 is allowed when not compressed.
  std::uint32_t sizeImage = 0;
  /// Horizontal resolution, not used.
  std::int32_t xPelsPerMeter = 0;
  /// Vertical resolution, not used.
  std::int32_t yPelsPerMeter = 0;
  /// Colour-table entries used.
  std::uint32_t clrUsed = 256;
  /// Entries needed to show the picture; 0 means all.
  std::uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

/// One colour entry of an image: blue, green, red, then the palette flag byte.
struct ColourEntry {
  /// Blue, 0..255.
  std::uint8_t blue = 0;
  /// Green, 0..255.
  std::uint8_t green = 0;
  /// Red, 0..255.
  std::uint8_t red = 0;
  /// Flags of the entry, kept as they came.
  std::uint8_t reserved = 0;
};
static_assert(sizeof(ColourEntry) == 4);

/// The header block of an image's pixel store: the header and its 256-entry colour table.
struct ImageInfo {
  /// Size and format of the pixels.
  BitmapInfoHeader header;
  /// The colour table.
  ColourEntry colours[256];
};
static_assert(sizeof(ImageInfo) == 1064);
static_assert(offsetof(ImageInfo, colours) == 40);

}  // namespace oru
