// A small bitmap font drawn for the generator (5 by 7 cells, capitals, digits and a little
// punctuation), so that text in pictures never depends on the fonts of the machine.
#pragma once

#include <cstdint>
#include <string_view>

#include "tools/assetgen/picture.h"

namespace oru::assetgen {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// True when pixel (x, y) of the glyph for ch is set; unknown characters are blank.
bool GlyphPixel(char ch, int x, int y);

// Width in pixels of text drawn at the given scale with one scaled pixel between glyphs.
int TextWidth(std::string_view text, int scale);

// Draws text with its top-left at (x, y), each glyph pixel a scale-by-scale block.
void DrawText(Picture& pic, std::string_view text, int x, int y, int scale, uint8_t colour);

// Paints text through a colour function of the pixel's row within the glyph (0 .. 7 * scale - 1),
// for gradients across the letters.
void DrawTextRows(Picture& pic, std::string_view text, int x, int y, int scale,
                  uint8_t (*rowColour)(int row, int height));

}  // namespace oru::assetgen
