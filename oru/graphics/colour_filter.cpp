// The colour filter's draw: an in-place pass over the target's pixels through the map.
#include "oru/graphics/colour_filter.h"

#include <algorithm>

namespace oru {

ColourFilter::~ColourFilter() {
  delete[] map.table;
  map.table = nullptr;
}

void ColourFilter::Draw(Surface* target) {
  if (!target) return;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int w = std::min(filterWidth, target->Width() - x0);
  const int h = std::min(filterHeight, target->Height() - y0);
  // Entirely beside or below the target: nothing to recolour and nothing to mark.
  if (w <= 0 || h <= 0) return;
  std::uint8_t* pixels = target->Lock();
  if (!pixels) return;
  const std::ptrdiff_t pitch = target->Pitch();
  const std::uint8_t* table = map.table;
  for (int row = 0; row < h; ++row) {
    std::uint8_t* p = pixels + (y0 + row) * pitch + x0;
    if (table) {
      for (int i = 0; i < w; ++i) p[i] = table[p[i]];
    } else {
      std::fill(p, p + w, std::uint8_t{0});
    }
  }
  target->Unlock();
  target->MarkDirtyWithBackdrop(x0, y0, w, h);
}

}  // namespace oru
