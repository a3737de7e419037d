/// \file
/// The global colour tables behind translucent, tinted and colour-mapped drawing.
///
///   screen.BuildColourTables();            // once the palette is final: 32768 nearest searches
///   sprite.SetTranslucency(50, 50, 50);    // half of what lies below shows through
///   screen.Blit(x, y, w, h, &sprite, 0, 0, 1);
///
/// InverseColourTable turns a 15-bit colour (red5 x 1024 + green5 x 32 + blue5, each channel
/// shifted right by 3) into an index of the palette the tables were last built from; ClampTable
/// holds 0..255 clamps of -512..511 at offset 512. Both start out all zero, so blending before
/// the first build draws index 0. They are shared by every surface and must not be rebuilt
/// while another thread blits.
#pragma once

#include <cstdint>

namespace oru {

/// Entries of InverseColourTable: one per 15-bit colour.
inline constexpr int kInverseColourTableSize = 32768;
/// Entries of ClampTable.
inline constexpr int kClampTableSize = 1024;
/// The entry of ClampTable that a sum of 0 reads: sums run from -512 to 511.
inline constexpr int kClampTableZero = 512;

/// The palette index nearest to each 15-bit colour (5 bits each of red, green, blue).
extern std::uint8_t InverseColourTable[kInverseColourTableSize];
/// A channel sum clamped to 0..255, read at kClampTableZero + sum.
extern std::uint8_t ClampTable[kClampTableSize];

/// ClampTable[512 + v] for any v: values outside the table's -512..511 read its end entries.
inline int ClampChannel(int v) {
  if (v < -kClampTableZero) v = -kClampTableZero;
  if (v > kClampTableSize - kClampTableZero - 1) v = kClampTableSize - kClampTableZero - 1;
  return ClampTable[kClampTableZero + v];
}

/// The inverse-table index of a colour whose channels are 0..255.
inline int InverseIndex(int red, int green, int blue) {
  return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
}

}  // namespace oru
