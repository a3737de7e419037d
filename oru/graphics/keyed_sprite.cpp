// The one order of keying, converting and building the run table.
#include "oru/graphics/keyed_sprite.h"

#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"

namespace oru {

void PrepareSprite(Image& image, const SpriteOptions& options) {
  if (!image.info) return;
  if (options.keyed) {
    if (image.ColourKey() != -1) {
      image.SetColourKey(image.ColourKey());
    } else {
      image.SetTransparentFromPixel(options.keyX, options.keyY);
    }
  }
  RemapToTable(image, options.colours, 1);
  if (options.runTable && image.TransparentIndex() >= 0) image.BuildRunTable(1);
}

int LoadSprite(Image& image, const char* name, const SpriteOptions& options) {
  if (!LoadBitmap(image, name, options.resourceType)) return 0;
  PrepareSprite(image, options);
  return 1;
}

}  // namespace oru
