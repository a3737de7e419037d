// A canvas that shows nothing: it keeps the rectangles it was asked to show and lets a test read
// back the pixels presented into it.
#pragma once

#include <cstdint>
#include <vector>

#include "oru/graphics/palette.h"
#include "oru/graphics/surface.h"
#include "oru/platform/canvas.h"

namespace oru {

class FakeCanvas : public Canvas {
 public:
  void Show(const Rect& rect) override { shown.push_back(rect); }
  std::uint32_t At(int x, int y) const { return pixels_[y * kWidth + x]; }
  std::vector<Rect> shown;
};

// The canvas pixel (0x00RRGGBB) that the surface's colour index is presented as.
inline std::uint32_t CanvasColour(const Surface& s, int index) {
  PaletteEntry e[256];
  s.palette->GetEntries(0, 256, e);
  return (std::uint32_t{e[index].red} << 16) | (std::uint32_t{e[index].green} << 8) | e[index].blue;
}

}  // namespace oru
