/// \file
/// Font: the stand-in for a logical font created from its parameters, rendered in monochrome. The
/// back end picks the face: fontconfig and FreeType (sdl/), or GDI itself (win32/), trying the
/// Japanese Gothic faces first. Text is code page 932. Faces are cached for the life of the process
/// and shared by every Font. When no face can be found the Font still exists: it measures every
/// text as 0 by 0 and draws nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "oru/platform/messages.h"

namespace oru {

struct Size;

/// The parameters a logical font is created from. Only those that pick and size the face matter;
/// the rest are kept so callers can state the whole set.
struct FontParams {
  int height = 0;  ///< > 0: cell height in pixels; < 0: em size; 0: a default of 16
  /// Average character width; 0 picks it from the height.
  int width = 0;
  /// Kept, not used: text is drawn level.
  int escapement = 0;
  /// Kept, not used.
  int orientation = 0;
  int weight = 400;  ///< 700 and above is bold
  /// Kept, not used.
  bool italic = false;
  /// Kept, not used.
  bool underline = false;
  /// Kept, not used.
  bool strikeOut = false;
  int charSet = 128;  ///< 128: Shift-JIS
  /// Kept, not used.
  int outPrecision = 0;
  /// Kept, not used.
  int clipPrecision = 0;
  /// Kept, not used: text is always monochrome.
  int quality = 0;
  int pitchAndFamily = 48;  ///< 48: modern family, default pitch
  std::string faceName;     ///< empty: the platform picks a face from the family and weight
};

/// A logical font rendered in monochrome; text it takes is code page 932.
class Font {
 public:
  /// A font for params; never null, but without a face when none can be found (HasFace).
  static std::unique_ptr<Font> Create(const FontParams& params);
  /// The light modern face of height 16 that a context uses when no font is selected.
  static Font* Default();

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  ///@{
  /// True when a face was found for this font.
  bool HasFace() const;
  const FontParams& Params() const { return params_; }
  /// Height of one line of text (ascent plus descent), 0 without a face.
  int CellHeight() const;
  ///@}

  /// Width and height of length bytes of code page 932 text; 0 by 0 without a face or for empty
  /// text.
  Size Extent(const char* text, int length) const;

  /// Draws the set bits of the glyphs of code page 932 text as `index` into the 8-bit pixels,
  /// with the cell's top-left corner at (x, y), writing only inside clip (which the caller has
  /// already limited to the buffer).
  void Render(const char* text, int length, int x, int y, std::uint8_t* pixels, int pitch,
              const Rect& clip, std::uint8_t index) const;

  struct Face;

 private:
  Font(const FontParams& params, Face* face);

  FontParams params_;
  Face* face_;  ///< shared from the cache, never released
  int pixelSize_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  bool embolden_ = false;
};

/// The parameters of the library's text fonts: light weight, Shift-JIS, modern family, no face
/// name, so the platform picks a modern face; only the height varies.
FontParams LightModernFont(int height);

/// Converts code page 932 bytes to code points. Invalid bytes become U+FFFD and conversion goes on.
std::u32string DecodeCp932(const char* text, int length);

/// The byte that stands for a character code page 932 lacks when text is converted to it.
inline constexpr char kCp932Replacement = '?';

/// Converts code points to code page 932, the inverse of DecodeCp932 through the same converter.
/// Each code point the code page lacks (and U+FFFD) becomes kCp932Replacement, so what follows it
/// is unharmed; characters the code page maps two ways (U+005C and U+FF3C...) keep the mapping
/// DecodeCp932 gives back.
std::string EncodeCp932(std::u32string_view codes);

/// Converts UTF-8 to code points. Each malformed piece (a lone continuation byte, a sequence cut
/// short, an overlong form, an encoded surrogate or a value above U+10FFFF) becomes one U+FFFD per
/// maximal ill-formed part, and decoding goes on at the next byte that can start a character. Never
/// reads outside the view.
std::u32string DecodeUtf8(std::string_view text);

/// UTF-8 to code page 932: DecodeUtf8, then EncodeCp932. Malformed bytes and characters the code
/// page lacks each become one kCp932Replacement.
std::string Utf8ToCp932(std::string_view text);

}  // namespace oru
