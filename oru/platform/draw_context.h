/// \file
/// DrawContext: a software drawing context over an 8-bit pixel buffer and its colour table, the
/// stand-in for a memory drawing context with a DIB section selected into it.
///
/// A Surface owns one per pixel store and hands it out from OpenDC; callers draw shapes and text
/// with colour values (0x00BBGGRR, red in the low byte) that the context maps to the nearest entry
/// of the colour table. Typical use:
///
///   DrawContext* dc = surface.OpenDC();
///   dc->SetTextColour(0x0000FFFF);
///   dc->SetBackgroundMode(DrawContext::kTransparent);
///   Font* previous = dc->SelectFont(font);
///   dc->TextOut(x, y, "Score:", 6);      // code page 932; TextOutUtf8(x, y, text) takes UTF-8
///   dc->SelectFont(previous);
///   surface.CloseDC(dc);
///
/// The context never owns the pixels, the colour table or the selected font. A context without
/// pixels (null buffer or empty size) accepts every call and draws nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "oru/platform/messages.h"

namespace oru {

class Font;

/// A width and a height in pixels.
struct Size {
  /// Width.
  int cx = 0;
  /// Height.
  int cy = 0;
};

/// A solid pen: lines of `width` pixels (at least one) in `colour`.
struct Pen {
  /// Width of the lines in pixels.
  int width = 1;
  /// Colour, 0x00BBGGRR.
  std::uint32_t colour = 0;
};

/// A software drawing context over 8-bit pixels: shapes and text drawn as colour-table indices.
class DrawContext {
 public:
  static constexpr int kTransparent = 1;  ///< glyph backgrounds are left alone
  static constexpr int kOpaque = 2;       ///< glyph boxes are filled with the background colour

  ///@{
  /// colourTable holds 256 entries of blue, green, red, flags; it may be null (then every colour
  /// maps to index 0). pitch is the distance in bytes between rows.
  DrawContext(std::uint8_t* pixels, int pitch, int width, int height,
              const std::uint8_t* colourTable);
  DrawContext() = default;
  ///@}

  /// Points the context at another buffer (after the surface was re-created or resized). The
  /// selected font, pen, colours and current position are kept.
  void Retarget(std::uint8_t* pixels, int pitch, int width, int height,
                const std::uint8_t* colourTable);

  /// Width of the pixels; 0 for a context without pixels.
  int Width() const { return width_; }
  /// Height of the pixels; 0 for a context without pixels.
  int Height() const { return height_; }

  /// Index of the colour-table entry nearest to colour (squared distance, lowest index on ties).
  std::uint8_t NearestIndex(std::uint32_t colour) const;

  /// Fills left..right-1, top..bottom-1 with the colour, clipped to the pixels.
  void FillRect(const Rect& rect, std::uint32_t colour);

  ///@{
  /// Pens and lines. SelectPen returns the previously selected pen; the initial pen is one pixel
  /// wide and black. LineTo draws from the current position up to, not including, (x, y) and
  /// moves the current position there.
  Pen SelectPen(const Pen& pen);
  Point MoveTo(int x, int y);  ///< returns the previous position
  void LineTo(int x, int y);
  ///@}

  ///@{
  /// Text. SelectFont returns the previously selected font (null selects the context's default
  /// font, a light modern face). Text is code page 932; length -1 means zero-terminated.
  Font* SelectFont(Font* font);
  Font* SelectedFont() const { return font_; }
  std::uint32_t SetTextColour(std::uint32_t colour);  ///< returns the previous colour
  std::uint32_t SetBackgroundColour(std::uint32_t colour);
  int SetBackgroundMode(int mode);  ///< returns the previous mode
  /// Draws code page 932 text with its cell's top-left corner at (x, y). Returns true.
  bool TextOut(int x, int y, const char* text, int length);
  /// Width and height of code page 932 text in the selected font; 0 by 0 without a usable font.
  Size GetTextExtent(const char* text, int length) const;
  /// Draws code page 932 text. Format 0: left- and top-aligned, one line, no word wrap, clipped to
  /// rect. Returns the height of the text drawn (the font's cell height), 0 for an empty rectangle.
  int DrawText(const char* text, int length, const Rect& rect, unsigned format = 0);
  ///@}

  ///@{
  /// The same three calls for UTF-8 text: it is converted to code page 932 first (Utf8ToCp932 in
  /// font.h), and each character the code page lacks, or each malformed piece, is drawn and
  /// measured as one "?". A plain "..." literal in a UTF-8 source file is UTF-8 already.
  bool TextOutUtf8(int x, int y, std::string_view text);
  Size GetTextExtentUtf8(std::string_view text) const;
  int DrawTextUtf8(std::string_view text, const Rect& rect, unsigned format = 0);
  ///@}

 private:
  void FillClipped(int left, int top, int right, int bottom, std::uint8_t index, const Rect& clip);
  void DrawString(int x, int y, const char* text, int length, const Rect& clip);
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }

  std::uint8_t* pixels_ = nullptr;
  int pitch_ = 0;
  int width_ = 0;
  int height_ = 0;
  const std::uint8_t* colourTable_ = nullptr;

  Pen pen_;
  Point position_{0, 0};
  Font* font_ = nullptr;
  std::uint32_t textColour_ = 0;
  std::uint32_t backgroundColour_ = 0x00FFFFFF;
  int backgroundMode_ = kOpaque;
};

}  // namespace oru
