// Reading back what was painted on a surface: the colour table index a colour maps to, and the
// box its pixels cover. Drawing and widget tests check shapes through these rather than pixel
// by pixel.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "oru/graphics/surface.h"
#include "oru/platform/draw_context.h"

namespace oru {

// The colour table index drawing routines use for colour (0x00BBGGRR) on surface.
inline std::uint8_t IndexOf(Surface& surface, std::uint32_t colour) {
  return surface.OpenDC()->NearestIndex(colour);
}

// Smallest rectangle holding every pixel of the value, (W, H, 0, 0) when there is none.
inline Rect BoxOf(Surface& surface, int value) {
  Rect box{surface.Width(), surface.Height(), 0, 0};
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      if (surface.PixelAt(x, y) != value) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return box;
}

inline void ExpectRect(const Rect& actual, const Rect& expected, const char* what = "") {
  EXPECT_EQ(actual.left, expected.left) << what;
  EXPECT_EQ(actual.top, expected.top) << what;
  EXPECT_EQ(actual.right, expected.right) << what;
  EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

}  // namespace oru
