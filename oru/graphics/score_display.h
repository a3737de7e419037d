/// \file
/// ScoreDisplay: a surface showing one line of caption, signed number and suffix ("Score:1234_")
/// in a bold Japanese Gothic face, repainted whenever the number changes.
///
///   ScoreDisplay score(20, 0xFF00FF);   // font height, text colour (0x00BBGGRR)
///   score.Create(100, 20);
///   score.SetValue(0);                  // first repaint
///   score.SetTransparentFromPixel(0, 0);
///   score.SetCaption("Score:");         // borrowed: the text must outlive the display
///   score.SetCaptionUtf8(name);         // or UTF-8 text, which the display copies
///   score.SetSuffix("_");
///   score.Add(10);
///
/// The background is black, or red when the text colour is black, so it always differs from the
/// text; the owner makes it transparent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oru/graphics/surface.h"

namespace oru {

/// A surface showing caption, signed number and suffix on one line, repainted when the number
/// changes.
class ScoreDisplay : public Surface {
 public:
  ScoreDisplay() = default;
  /// fontHeight: cell height of the font in pixels; textColour: 0x00BBGGRR.
  ScoreDisplay(int fontHeight, std::uint32_t textColour)
      : textColour_(textColour), fontHeight_(fontHeight) {}

  /// Sets the number and repaints.
  void SetValue(int value);
  /// Adds to the number (wrapping around, never overflowing) and repaints.
  void Add(int amount);
  /// Subtracts from the number (wrapping around) and repaints.
  void Subtract(int amount);
  /// The number shown.
  int GetValue() const { return value_; }

  ///@{
  /// None of these repaints; they show at the next change of the number.
  ///
  /// SetCaption and SetSuffix take code page 932 text and keep the pointer, not a copy: the text
  /// must stay alive and unchanged for as long as the display may repaint (a string literal, or
  /// a string the owner keeps). SetCaptionUtf8 and SetSuffixUtf8 take UTF-8, convert it to code
  /// page 932 (each character the code page lacks, and each malformed piece, becomes "?") and
  /// keep the result themselves, so their argument may go at once. The latest call of either
  /// kind sets the text.
  void SetCaption(const char* caption) { caption_ = caption; }
  void SetSuffix(const char* suffix) { suffix_ = suffix; }
  void SetCaptionUtf8(std::string_view caption);
  void SetSuffixUtf8(std::string_view suffix);
  void SetFontHeight(int height) { fontHeight_ = height; }
  /// 0x00BBGGRR.
  void SetTextColour(std::uint32_t colour) { textColour_ = colour; }
  ///@}

  ///@{
  /// The line as it is printed: caption, number, suffix; an unset caption or suffix is empty.
  void FormatLine(char (&line)[256]) const;
  void Redraw();
  ///@}

 private:
  int value_ = 0;
  std::uint32_t textColour_ = 0;
  int fontHeight_ = 0;
  const char* caption_ = nullptr;
  const char* suffix_ = nullptr;
  std::string ownCaption_;  ///< what SetCaptionUtf8 converted; caption_ points into it
  std::string ownSuffix_;
};

}  // namespace oru
