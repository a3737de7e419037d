// ColourMap::Build: a tint or blend map computed from an image's colours through the global
// colour tables.
#include "oru/graphics/colour_map.h"

#include <algorithm>
#include <cstdint>

#include "oru/graphics/colour_tables.h"
#include "oru/graphics/surface.h"

namespace oru {

void ColourMap::Build(const Image* image, int redPercent, int greenPercent, int bluePercent,
                      int redOffset, int greenOffset, int blueOffset) {
  if (redPercent != 0 && greenPercent != 0 && bluePercent != 0) {
    mode = kBlend;
  } else if (redOffset != 0 || greenOffset != 0 || blueOffset != 0) {
    mode = kTint;
  }
  delete[] table;
  table = nullptr;
  // Without colours to start from there is nothing to map: the surface draws plainly.
  if (!image || !image->colourTable) {
    mode = kNone;
    return;
  }
  const std::uint8_t* colours = image->colourTable;
  if (mode == kTint) {
    table = new std::uint8_t[256];
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* c = colours + i * 4;
      table[i] = InverseColourTable[InverseIndex(ClampChannel(c[2] + redOffset),
                                                 ClampChannel(c[1] + greenOffset),
                                                 ClampChannel(c[0] + blueOffset))];
    }
  } else if (mode == kBlend) {
    table = new std::uint8_t[65536];
    // Products in 64 bits: the percentages are not limited, and the clamp takes any result.
    auto mix = [](int from, int to, int percent, int offset) {
      const long long v = from + (static_cast<long long>(to - from) * percent) / 100 + offset;
      return ClampChannel(static_cast<int>(std::clamp<long long>(v, -512, 511)));
    };
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* c = colours + i * 4;
      std::uint8_t* row = table + i * 256;
      for (int j = 0; j < 256; ++j) {
        const std::uint8_t* d = colours + j * 4;
        row[j] = InverseColourTable[InverseIndex(mix(c[2], d[2], redPercent, redOffset),
                                                 mix(c[1], d[1], greenPercent, greenOffset),
                                                 mix(c[0], d[0], bluePercent, blueOffset))];
      }
    }
  }
}

}  // namespace oru
