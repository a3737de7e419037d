// ColourMap: a precomputed recolouring table that a surface's colour-mapped copies read.
// Mode 1 is a tint map (256 bytes: source index to result index), mode 2 a blend map (65536
// bytes: source index x 256 + destination index to result index); mode 0 maps nothing.
#pragma once

#include <cstdint>

namespace oru {

class ColourMap {
 public:
  static constexpr int kNone = 0;
  static constexpr int kTint = 1;
  static constexpr int kBlend = 2;

  ColourMap() = default;
  ~ColourMap() { delete[] table; }
  ColourMap(const ColourMap&) = delete;
  ColourMap& operator=(const ColourMap&) = delete;

  int At(int index) const { return table ? table[index] : 0; }

  std::uint8_t* table = nullptr;  // owned
  std::int32_t mode = kNone;
};

}  // namespace oru
