/// \file
/// ColourMap: a precomputed recolouring table that a surface's colour-mapped copies read.
/// Mode 1 is a tint map (256 bytes: source index to result index), mode 2 a blend map (65536
/// bytes: source index x 256 + destination index to result index); mode 0 maps nothing.
#pragma once

#include <cstdint>

namespace oru {

class Image;

/// A precomputed recolouring table read by a surface's colour-mapped copies.
class ColourMap {
 public:
  /// No table: nothing is mapped.
  static constexpr int kNone = 0;
  /// A tint map, 256 bytes: source index to result index.
  static constexpr int kTint = 1;
  /// A blend map, 65536 bytes: source index x 256 + destination index to result index.
  static constexpr int kBlend = 2;

  ColourMap() = default;
  ~ColourMap() { delete[] table; }
  ColourMap(const ColourMap&) = delete;
  ColourMap& operator=(const ColourMap&) = delete;

  /// Entry index of the table; 0 without a table.
  int At(int index) const { return table ? table[index] : 0; }

  /// Recomputes the table from image's colour table and the global colour tables (build those
  /// first, colour_tables.h). All three percentages non-zero make a blend map: each source colour
  /// moves that many percent towards each destination colour, then the offsets are added. Else
  /// any non-zero offset makes a tint map. Else the mode stays and no table is built.
  void Build(const Image* image, int redPercent, int greenPercent, int bluePercent, int redOffset,
             int greenOffset, int blueOffset);

  std::uint8_t* table = nullptr;  ///< owned
  /// kNone, kTint or kBlend: how table is read.
  std::int32_t mode = kNone;
};

}  // namespace oru
