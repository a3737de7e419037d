// The translucent and tinted copies. Until colour blending lands they draw the source
// unchanged, with the same transparency handling as the plain routines, so a sprite set to
// blend still shows.
#include "oru/graphics/surface.h"

namespace oru {

void Surface::CopyBlended(const BlitRect& rect, Surface* source) {
  if (source->transparentIndex == -1) {
    CopyOpaque(rect, source);
  } else {
    CopyKeyed(rect, source);
  }
}

void Surface::CopyBlendedRuns(const BlitRect& rect, Surface* source) { CopyRuns(rect, source); }

}  // namespace oru
