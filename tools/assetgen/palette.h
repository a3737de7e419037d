// The colours every generated picture is drawn in: the library's default 256-entry layout (20
// system colours around a 208-colour cube, zeros in 218-245), plus the generator's reserved key
// colour. Pictures are drawn straight in these indices, so converting them to the default palette
// at load time changes no visible colour.
#pragma once

#include <array>
#include <cstdint>

namespace oru::assetgen {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The default layout as red, green, blue triples.
const std::array<Rgb, 256>& DefaultColours();

// Index of the colour used as the transparent key of every keyed picture: a bright magenta-pink
// cube colour (255, 0, 204) that no picture uses visibly.
inline constexpr uint8_t kKey = 208;

// Lowest default index holding exactly this colour, or -1.
int FindExact(Rgb c);

// Nearest default colour by squared distance, lowest index on ties, never the key colour.
uint8_t Nearest(Rgb c);

// Shorthand for picking a colour while drawing: nearest entry to (r, g, b).
inline uint8_t C(int r, int g, int b) {
  return Nearest(Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
}

// The same colour scaled toward black (factor < 1) or white (factor > 1), as a default index.
uint8_t Darker(uint8_t index, float factor);
uint8_t Lighter(uint8_t index, float amount);

}  // namespace oru::assetgen
