// The copies that change colours on the way: translucent and tinted ones mixed in RGB, and the
// ones read through the source's colour map.
//
// Translucent and tinted copies: each pixel's colour is mixed in RGB and looked up again in
// the global InverseColourTable (colour_tables.h), so the result is an index of the palette the
// tables were built from.
//
// The per-pixel work is kept to table reads: before the rows start, each channel gets a table
// of the translucent step (percent x difference / 100 for every difference -255..255) and a
// table from the finished channel value to its bits of the inverse-table index (tint and clamp
// included). A pixel then costs two colour reads, three subtractions and four lookups.
//
// Colour-mapped copies: a tint map turns each source index into the result; a blend map takes
// the source and destination indices together (colour_map.h).
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "oru/graphics/colour_map.h"
#include "oru/graphics/colour_tables.h"
#include "oru/graphics/copy_frame_internal.h"
#include "oru/graphics/surface.h"

namespace oru {

namespace {

// Everything a blended copy needs, computed once per blit.
struct BlendTables {
  bool translucent = false;
  // step[c][diff + 255] = percent x diff / 100, truncated toward zero; c is 0 blue, 1 green,
  // 2 red.
  std::int16_t step[3][511];
  // part[c][v]: the bits that channel value v contributes to the inverse-table index.
  std::uint16_t part[3][256];

  explicit BlendTables(const Surface& source) {
    int percent[3];
    for (int c = 0; c < 3; ++c) {
      // Set through SetTranslucency the bytes are at most 100; larger ones, written directly,
      // are held there so a mixed channel never leaves 0..255.
      percent[c] = std::min<int>(source.translucency[c], 100);
      if (percent[c] != 0) translucent = true;
    }
    if (source.translucency[3] != 0) translucent = true;
    if (translucent) {
      for (int c = 0; c < 3; ++c)
        for (int diff = -255; diff <= 255; ++diff)
          step[c][diff + 255] = static_cast<std::int16_t>(percent[c] * diff / 100);
    }
    const bool tinted = source.tintRed != 0 && source.tintGreen != 0 && source.tintBlue != 0;
    const int tint[3] = {std::clamp<int>(source.tintBlue, -255, 255),
                         std::clamp<int>(source.tintGreen, -255, 255),
                         std::clamp<int>(source.tintRed, -255, 255)};
    const int shift[3] = {0, 5, 10};
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < 256; ++v) {
        const int value = tinted ? ClampTable[kClampTableZero + v + tint[c]] : v;
        part[c][v] = static_cast<std::uint16_t>((value >> 3) << shift[c]);
      }
    }
  }

  // The blended index of a pixel whose own colour is sc over destination colour dc (both
  // blue, green, red entries of a colour table).
  template <bool kTranslucent>
  inline std::uint8_t Mix(const std::uint8_t* sc, const std::uint8_t* dc) const {
    int b = sc[0], g = sc[1], r = sc[2];
    if constexpr (kTranslucent) {
      b -= step[0][b - dc[0] + 255];
      g -= step[1][g - dc[1] + 255];
      r -= step[2][r - dc[2] + 255];
    }
    return InverseColourTable[part[0][b] | part[1][g] | part[2][r]];
  }
};

// Runs body<true> or body<false>, so the per-pixel loop carries no test of the translucency.
template <typename Body>
void WithTranslucency(bool translucent, Body body) {
  if (translucent) {
    body(std::true_type{});
  } else {
    body(std::false_type{});
  }
}

// The pixel rows of a copy, locked for its duration; nothing runs unless both sides have a
// colour table to mix with.
template <typename Body>
void WithBlendRows(Surface* destination, const BlitRect& r, Surface* source, Body body) {
  if (!destination->colourTable || !source->colourTable) return;
  WithRows(destination, r, source, [&](CopyFrame& f) {
    body(f.dest, std::ptrdiff_t{f.destPitch}, f.src, std::ptrdiff_t{f.srcPitch});
  });
}

}  // namespace

void Surface::CopyBlended(const BlitRect& r, Surface* source) {
  const BlendTables tables(*source);
  const int key = source->transparentIndex;
  const std::uint8_t* destColours = colourTable;
  const std::uint8_t* srcColours = source->colourTable;
  WithTranslucency(tables.translucent, [&](auto translucent) {
    WithBlendRows(this, r, source,
                  [&](std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* src,
                      std::ptrdiff_t srcPitch) {
                    for (int row = 0; row < r.height; ++row) {
                      for (int i = 0; i < r.width; ++i) {
                        const int s = src[i];
                        if (s == key) continue;
                        dest[i] = tables.template Mix<translucent()>(srcColours + s * 4,
                                                                     destColours + dest[i] * 4);
                      }
                      dest += destPitch;
                      src += srcPitch;
                    }
                  });
  });
}

void Surface::CopyBlendedRuns(const BlitRect& r, Surface* source) {
  if (!source->HasRunTableForSize()) {
    CopyBlended(r, source);
    return;
  }
  const BlendTables tables(*source);
  const int key = source->transparentIndex;
  // Both colours come from the destination's table here; surfaces that share the default
  // palette give the same result as CopyBlended.
  const std::uint8_t* colours = colourTable;
  const int runStride = source->Width();
  const std::uint8_t* runs = source->runTable + r.srcY * runStride + r.srcX;
  WithTranslucency(tables.translucent, [&](auto translucent) {
    WithBlendRows(this, r, source,
                  [&](std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* src,
                      std::ptrdiff_t srcPitch) {
                    const std::uint8_t* rowRuns = runs;
                    for (int row = 0; row < r.height; ++row) {
                      int column = 0;
                      while (column < r.width) {
                        const int n = rowRuns[column];
                        if (src[column] != key) {
                          const int end = column + std::min(n, r.width - column);
                          for (int i = column; i < end; ++i)
                            dest[i] = tables.template Mix<translucent()>(colours + src[i] * 4,
                                                                         colours + dest[i] * 4);
                        }
                        column += n;
                      }
                      dest += destPitch;
                      src += srcPitch;
                      rowRuns += runStride;
                    }
                  });
  });
}

void Surface::CopyMapped(const BlitRect& r, Surface* source) {
  const ColourMap* map = source->colourMap;
  if (!map || !map->table) return;
  const int key = source->transparentIndex;
  const std::uint8_t* table = map->table;
  const bool blend = map->mode == ColourMap::kBlend;
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      for (int i = 0; i < r.width; ++i) {
        const int s = f.src[i];
        if (s == key) continue;
        f.dest[i] = blend ? table[s * 256 + f.dest[i]] : table[s];
      }
      f.dest += f.destPitch;
      f.src += f.srcPitch;
    }
  });
}

void Surface::CopyMappedRuns(const BlitRect& r, Surface* source) {
  const ColourMap* map = source->colourMap;
  if (!map || !map->table) return;
  if (!source->HasRunTableForSize()) {
    CopyMapped(r, source);
    return;
  }
  const int key = source->transparentIndex;
  const std::uint8_t* table = map->table;
  const bool blend = map->mode == ColourMap::kBlend;
  const int runStride = source->Width();
  const std::uint8_t* runs =
      source->runTable + static_cast<std::ptrdiff_t>(r.srcY) * runStride + r.srcX;
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      int column = 0;
      while (column < r.width) {
        const int n = runs[column];
        if (f.src[column] != key) {
          const int end = column + std::min(n, r.width - column);
          for (int i = column; i < end; ++i) {
            const int s = f.src[i];
            f.dest[i] = blend ? table[s * 256 + f.dest[i]] : table[s];
          }
        }
        column += n;
      }
      f.dest += f.destPitch;
      f.src += f.srcPitch;
      runs += runStride;
    }
  });
}

}  // namespace oru
