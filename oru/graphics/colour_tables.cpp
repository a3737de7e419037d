// The global colour tables, and the translucency and tint settings.
#include "oru/graphics/colour_tables.h"

#include <algorithm>

#include "oru/graphics/surface.h"

namespace oru {

std::uint8_t InverseColourTable[kInverseColourTableSize] = {};
std::uint8_t ClampTable[kClampTableSize] = {};

namespace {

// Channel level 0..31 of the inverse table spread back over 0..255.
inline std::uint32_t Level(int level) { return static_cast<std::uint32_t>(level * 255 / 31); }

}  // namespace

void Surface::BuildColourTables() {
  for (int i = 0; i < kClampTableSize; ++i)
    ClampTable[i] = static_cast<std::uint8_t>(std::clamp(i - kClampTableZero, 0, 255));
  if (!palette) return;
  for (int r = 0; r < 32; ++r) {
    for (int g = 0; g < 32; ++g) {
      for (int b = 0; b < 32; ++b) {
        const std::uint32_t rgb = Level(r) | (Level(g) << 8) | (Level(b) << 16);
        InverseColourTable[r * 1024 + g * 32 + b] =
            static_cast<std::uint8_t>(palette->NearestIndex(rgb));
      }
    }
  }
}

void Surface::SetTranslucency(int red, int green, int blue) {
  translucency[0] = static_cast<std::uint8_t>(std::clamp(blue, 0, 100));
  translucency[1] = static_cast<std::uint8_t>(std::clamp(green, 0, 100));
  translucency[2] = static_cast<std::uint8_t>(std::clamp(red, 0, 100));
  translucency[3] = 0;
}

void Surface::SetTint(int red, int green, int blue) {
  tintRed = std::clamp(red, -255, 255);
  tintGreen = std::clamp(green, -255, 255);
  tintBlue = std::clamp(blue, -255, 255);
}

}  // namespace oru
