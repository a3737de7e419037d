// Default colour layout and colour search for the generator.
#include "tools/assetgen/palette.h"

#include <algorithm>
#include <cmath>

namespace oru::assetgen {
namespace {

constexpr std::array<Rgb, 20> kSystemColours = {{
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
}};

std::array<Rgb, 256> BuildDefault() {
  std::array<Rgb, 256> colours{};
  for (int i = 0; i < 10; ++i) {
    colours[i] = kSystemColours[i];
    colours[246 + i] = kSystemColours[10 + i];
  }
  // Cube order: red outermost, then blue, then green; the eight corners are left out.
  int count = 10;
  for (int r = 0; r < 6; ++r) {
    for (int b = 0; b < 6; ++b) {
      for (int g = 0; g < 6; ++g) {
        const bool corner = (r == 0 || r == 5) && (g == 0 || g == 5) && (b == 0 || b == 5);
        if (corner) continue;
        colours[count++] = Rgb{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                               static_cast<uint8_t>(b * 51)};
      }
    }
  }
  return colours;
}

}  // namespace

const std::array<Rgb, 256>& DefaultColours() {
  static const std::array<Rgb, 256> colours = BuildDefault();
  return colours;
}

int FindExact(Rgb c) {
  const auto& colours = DefaultColours();
  for (int i = 0; i < 256; ++i) {
    if (colours[i] == c) return i;
  }
  return -1;
}

uint8_t Nearest(Rgb c) {
  const auto& colours = DefaultColours();
  int best = 0;
  int bestDistance = 1 << 24;
  for (int i = 0; i < 256; ++i) {
    if (i == kKey) continue;
    const int dr = colours[i].r - c.r, dg = colours[i].g - c.g, db = colours[i].b - c.b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

uint8_t Darker(uint8_t index, float factor) {
  const Rgb c = DefaultColours()[index];
  return C(static_cast<int>(c.r * factor), static_cast<int>(c.g * factor),
           static_cast<int>(c.b * factor));
}

uint8_t Lighter(uint8_t index, float amount) {
  const Rgb c = DefaultColours()[index];
  auto up = [amount](int v) {
    return std::clamp(static_cast<int>(v + (255 - v) * amount), 0, 255);
  };
  return C(up(c.r), up(c.g), up(c.b));
}

}  // namespace oru::assetgen
