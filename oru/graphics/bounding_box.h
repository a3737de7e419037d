/// \file
/// BoundingBox: a box in x, y and depth with inclusive ends, used for collision tests.
#pragma once

#include <cstdint>

namespace oru {

/// A box from (x0, y0, z0) to (x1, y1, z1), every end inclusive: x0 = 0 and x1 = 10 cover 11
/// columns. The depth axis counts in collisions as the other two do (Surface::Overlaps).
struct BoundingBox {
  std::int32_t x0 = 0;  ///< left end, inclusive
  std::int32_t x1 = 0;  ///< right end, inclusive
  std::int32_t y0 = 0;  ///< top end, inclusive
  std::int32_t y1 = 0;  ///< bottom end, inclusive
  std::int32_t z0 = 0;  ///< lowest depth, inclusive
  std::int32_t z1 = 0;  ///< highest depth, inclusive

  /// Note the argument order: the three low ends first, then the three high ends.
  void Set(int nx0, int ny0, int nz0, int nx1, int ny1, int nz1) {
    x0 = nx0;
    y0 = ny0;
    z0 = nz0;
    x1 = nx1;
    y1 = ny1;
    z1 = nz1;
  }
  /// All six ends 0: the empty box.
  void Clear() { *this = BoundingBox{}; }
  /// Moves the box by dx, dy and dz.
  void Offset(int dx, int dy, int dz) {
    x0 += dx;
    x1 += dx;
    y0 += dy;
    y1 += dy;
    z0 += dz;
    z1 += dz;
  }
  /// All six zero: a surface with an empty hit box uses its frame size instead.
  bool IsEmpty() const { return x0 == 0 && x1 == 0 && y0 == 0 && y1 == 0 && z0 == 0 && z1 == 0; }
};

}  // namespace oru
