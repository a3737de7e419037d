// The game's desktop icons: the crab, drawn by the same code as its sprite, fitted into squares of
// the usual icon sizes and written as PNG pictures with an alpha channel.
//
//   std::string error;
//   if (!WriteIcons("build/icons", &error)) ...   // icon-16.png ... icon-256.png, icon.ico
//
// From twice the crab's size up, the crab is enlarged by a whole number, so its pixels stay
// crisp; below that each icon pixel averages the crab pixels it covers (16 samples), so the small
// icons keep the shape instead of dropping pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/picture.h"

namespace oru::assetgen {

inline constexpr std::array<int, 7> kIconSizes = {16, 24, 32, 48, 64, 128, 256};
// The sizes the Windows icon file holds: what Explorer, the taskbar and the title bar ask for.
inline constexpr std::array<int, 4> kIcoSizes = {16, 32, 48, 256};

// size by size pixels, 4 bytes each (red, green, blue, alpha), top row first.
struct IconImage {
  int size = 0;
  std::vector<uint8_t> rgba;
};

// The crab's first cell (40 by 40, keyed), as the icons are made from it.
Picture CrabIconSource();

// The source fitted into a square of size pixels with a margin of size / 16, centred.
IconImage MakeIcon(const Picture& source, int size);

// A PNG file of an RGBA picture (8 bits per channel, no interlace, zlib-compressed rows).
std::vector<uint8_t> EncodePng(const IconImage& icon);

// A Windows icon file (.ico) holding the given PNG pictures, each size by size pixels and
// 32 bits deep, in the order given.
//   ICONDIR:        reserved 0 (2 bytes), type 1 = icon (2), count (2)
//   ICONDIRENTRY:   width, height (1 byte each, 0 meaning 256), colours 0, reserved 0,
//   (16 bytes each) planes 1 (2), bits per pixel 32 (2), bytes of the picture (4), its offset (4)
//   then the pictures, one after the other; all numbers little-endian.
struct IcoPicture {
  int size = 0;
  std::vector<uint8_t> png;
};
std::vector<uint8_t> EncodeIco(const std::vector<IcoPicture>& pictures);

// Writes icon-<size>.png for every size of kIconSizes into folder (created when missing), and icon.ico with the sizes of kIcoSizes.
bool WriteIcons(const std::string& folder, std::string* error);

}  // namespace oru::assetgen
