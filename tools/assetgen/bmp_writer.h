// BMP encoding of generated pictures: 8-bit with the whole default colour table, or 4-bit with a
// table of only the colours the picture uses.
//
// Layout written: 14-byte file header ("BM", file size, two reserved words, pixel offset), the
// 40-byte info header (bit count 4 or 8, no compression, colours used = table length), the colour
// table as blue, green, red, 0, then the rows bottom row first, each padded to 4 bytes. A 4-bit row
// holds two pixels a byte, the left one in the high nibble.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/picture.h"

namespace oru::assetgen {

// The 8-bit file of a picture.
std::vector<uint8_t> EncodeBmp8(const Picture& picture);

// The 4-bit file of a picture; empty when it uses more than 16 colours.
std::vector<uint8_t> EncodeBmp4(const Picture& picture);

}  // namespace oru::assetgen
