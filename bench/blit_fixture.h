// What the sprite-blit benchmarks share: the sprite's pixels and the places it is drawn at, so
// our blitters and SDL's are measured on the same work.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "oru/graphics/palette_table.h"

namespace oru_bench {

struct BlitPoint {
  int x, y;
};

constexpr int kKey = oru::PaletteTable::kTransparentIndex;
constexpr int kDestWidth = 640, kDestHeight = 480;

// An opaque filled ellipse (varied indices) on a transparent background; its radii of 0.4 of
// the sprite's size leave about half of the pixels transparent.
inline void DrawEllipseSprite(std::uint8_t* pixels, int pitch, int w, int h) {
  const double rx = w * 0.4, ry = h * 0.4, cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      pixels[y * pitch + x] =
          dx * dx + dy * dy <= 1.0 ? static_cast<std::uint8_t>(10 + (x * 3 + y) % 200) : kKey;
    }
}

// Positions inside the destination; none is a multiple of 16, where SDL's opaque copy switches
// to cache-bypassing stores, so both blitters are measured on the same unaligned rows.
inline std::array<BlitPoint, 8> Positions(int w, int h) {
  std::array<BlitPoint, 8> out{};
  const int spanX = kDestWidth - w, spanY = kDestHeight - h;
  for (int i = 0; i < 8; ++i) {
    int x = (spanX * (2 * i + 1)) / 16, y = (spanY * ((i * 5) % 8 + 1)) / 9;
    if (x % 16 == 0) x = x > 0 ? x - 3 : x + 3;
    out[static_cast<std::size_t>(i)] = BlitPoint{x, y};
  }
  return out;
}

// Registers name/<w>x<h> for the three sprite sizes, e.g. Blit/Keyed/40x40.
void RegisterSpriteBlits(const char* label, void (*run)(benchmark::State&, int, int));

}  // namespace oru_bench
