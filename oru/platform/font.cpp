// The parts of fonts every back end shares: the library's text font, a context's default, and
// UTF-8 decoding (the code page itself is the back end's).
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

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < n) {
    const unsigned char lead = at(i);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // The second byte's range depends on the lead: this is what rules out overlong forms,
    // surrogates and values above U+10FFFF (Unicode's table of well-formed sequences).
    int extra = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      // A continuation byte with no lead, or a byte UTF-8 never uses.
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    std::size_t k = i + 1;
    bool complete = true;
    for (int j = 0; j < extra; ++j, ++k) {
      const unsigned char lo = j == 0 ? low : 0x80;
      const unsigned char hi = j == 0 ? high : 0xBF;
      if (k >= n || at(k) < lo || at(k) > hi) {
        complete = false;
        break;
      }
      code = (code << 6) | (at(k) & 0x3F);
    }
    // A broken sequence costs the bytes read so far; the byte that broke it starts afresh.
    out.push_back(complete ? code : char32_t{0xFFFD});
    i = k;
  }
  return out;
}

std::string Utf8ToCp932(std::string_view text) { return EncodeCp932(DecodeUtf8(text)); }

}  // namespace oru
