// Stand-in for the GDI text of this back end while it is written: every font exists and has no
// face, so text measures 0 by 0 and draws nothing.
#include <string>

#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"

namespace oru {

struct Font::Face {};

FontParams LightModernFont(int height) {
  FontParams params;
  params.height = height;
  params.weight = 300;
  params.charSet = 128;
  params.pitchAndFamily = 48;
  return params;
}

std::unique_ptr<Font> Font::Create(const FontParams& params) {
  return std::unique_ptr<Font>(new Font(params, nullptr));
}

Font* Font::Default() {
  static Font* font = Create(LightModernFont(16)).release();
  return font;
}

Font::Font(const FontParams& params, Face* face) : params_(params), face_(face) {}
Font::~Font() = default;
bool Font::HasFace() const { return false; }
int Font::CellHeight() const { return 0; }
Size Font::Extent(const char*, int) const { return Size{0, 0}; }
void Font::Render(const char*, int, int, int, std::uint8_t*, int, const Rect&, std::uint8_t) const {
}

std::u32string DecodeCp932(const char* text, int length) {
  std::u32string out;
  for (int i = 0; text && i < length; ++i)
    out += static_cast<unsigned char>(text[i]) < 0x80 ? char32_t(text[i]) : char32_t(0xFFFD);
  return out;
}

}  // namespace oru
