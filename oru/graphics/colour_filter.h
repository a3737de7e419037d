/// \file
/// ColourFilter: a surface that, instead of drawing pixels of its own, recolours whatever lies
/// under it on the target through its tint map.
///
///   screen.BuildColourTables();
///   ColourFilter dusk;                     // covers 640 x 480 from its position
///   dusk.SetTint(&screen, -60, -40, 20);   // every colour darker and bluer
///   scene.AddChild(&dusk);                 // drawn in depth order like any child
///
/// Only the first 256 entries of the map are read, so the filter is meant for tint maps; without
/// a table it paints its area with index 0.
#pragma once

#include "oru/graphics/colour_map.h"
#include "oru/graphics/surface.h"

namespace oru {

/// A surface that recolours whatever lies under it through its tint map.
class ColourFilter : public Surface {
 public:
  /// The area a new filter covers: the whole canvas.
  static constexpr int kDefaultWidth = 640;
  /// The area a new filter covers: the whole canvas.
  static constexpr int kDefaultHeight = 480;

  ColourFilter() = default;
  ~ColourFilter() override;

  /// Recolours the filter's area of target, from (x, y) clipped to target's top-left corner
  /// and its size, and marks that area dirty on target and its backdrop.
  void Draw(Surface* target) override;

  /// The area recoloured, from the filter's position.
  void SetSize(int width, int height) {
    filterWidth = width;
    filterHeight = height;
  }
  /// A tint map of surface's colours moved by the offsets.
  void SetTint(const Image* surface, int red, int green, int blue) {
    map.Build(surface, 0, 0, 0, red, green, blue);
  }

  /// Width of the area recoloured.
  std::int32_t filterWidth = kDefaultWidth;
  /// Height of the area recoloured.
  std::int32_t filterHeight = kDefaultHeight;
  ColourMap map;  ///< owned
};

}  // namespace oru
