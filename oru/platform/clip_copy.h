/// \file
/// ClipCopy: the clipping of a rectangle copy, shared by the full-screen display's copies and a
/// surface's presentation to a window canvas.
#pragma once

#include <algorithm>

namespace oru {

/// Clips a copy of width x height from (sx, sy) in a source of sw x sh to (dx, dy) in a
/// destination of dw x dh, moving both corners together. False when nothing is left.
inline bool ClipCopy(int& dx, int& dy, int& sx, int& sy, int& width, int& height, int sw, int sh,
                     int dw, int dh) {
  auto clip = [](int& d, int& s, int& size, int sourceLimit, int destLimit) {
    if (s < 0) {
      d -= s;
      size += s;
      s = 0;
    }
    if (d < 0) {
      s -= d;
      size += d;
      d = 0;
    }
    size = std::min({size, sourceLimit - s, destLimit - d});
  };
  clip(dx, sx, width, sw, dw);
  clip(dy, sy, height, sh, dh);
  return width > 0 && height > 0;
}

}  // namespace oru
