// The parts of fonts every back end shares: the library's text font and a context's default.
#include "oru/platform/font.h"

namespace oru {

FontParams LightModernFont(int height) {
  FontParams params;
  params.height = height;
  params.weight = 300;
  params.charSet = 128;
  params.pitchAndFamily = 48;
  return params;
}

Font* Font::Default() {
  // Made once and never destroyed: contexts may draw with it while statics are torn down.
  static Font* font = Create(LightModernFont(16)).release();
  return font;
}

}  // namespace oru
