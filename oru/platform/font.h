// Font: the stand-in for a logical font created from its parameters, rendered in monochrome. The
// back end picks the face: fontconfig and FreeType (sdl/), or GDI itself (win32/), trying the
// Japanese Gothic faces first. Text is code page 932. Faces are cached for the life of the process
// and shared by every Font. When no face can be found the Font still exists: it measures every
// text as 0 by 0 and draws nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "oru/platform/messages.h"

namespace oru {

struct Size;

// The parameters a logical font is created from. Only those that pick and size the face matter;
// the rest are kept so callers can state the whole set.
struct FontParams {
  int height = 0;  // > 0: cell height in pixels; < 0: em size; 0: a default of 16
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 400;  // 700 and above is bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 128;  // 128: Shift-JIS
  int outPrecision = 0;
  int clipPrecision = 0;
  int quality = 0;
  int pitchAndFamily = 48;  // 48: modern family, default pitch
  std::string faceName;     // empty: the platform picks a face from the family and weight
};

class Font {
 public:
  static std::unique_ptr<Font> Create(const FontParams& params);
  // The light modern face of height 16 that a context uses when no font is selected.
  static Font* Default();

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // True when a face was found for this font.
  bool HasFace() const;
  const FontParams& Params() const { return params_; }
  // Height of one line of text (ascent plus descent), 0 without a face.
  int CellHeight() const;

  // Width and height of the text; 0 by 0 without a face or for empty text.
  Size Extent(const char* text, int length) const;

  // Draws the set bits of the text's glyphs as `index` into the 8-bit pixels, with the cell's
  // top-left corner at (x, y), writing only inside clip (which the caller has already limited to
  // the buffer).
  void Render(const char* text, int length, int x, int y, std::uint8_t* pixels, int pitch,
              const Rect& clip, std::uint8_t index) const;

  struct Face;

 private:
  Font(const FontParams& params, Face* face);

  FontParams params_;
  Face* face_;  // shared from the cache, never released
  int pixelSize_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  bool embolden_ = false;
};

// The parameters of the library's text fonts: light weight, Shift-JIS, modern family, no face
// name, so the platform picks a modern face; only the height varies.
FontParams LightModernFont(int height);

// Converts code page 932 bytes to code points. Invalid bytes become U+FFFD and conversion goes on.
std::u32string DecodeCp932(const char* text, int length);

}  // namespace oru
