// ScoreDisplay: a surface showing one line of caption, signed number and suffix ("Score:1234_")
// in a bold Japanese Gothic face, repainted whenever the number changes.
//
//   ScoreDisplay score(20, 0xFF00FF);   // font height, text colour (0x00BBGGRR)
//   score.Create(100, 20);
//   score.SetValue(0);                  // first repaint
//   score.SetTransparentFromPixel(0, 0);
//   score.SetCaption("Score:");         // borrowed: the text must outlive the display
//   score.SetSuffix("_");
//   score.Add(10);
//
// The background is black, or red when the text colour is black, so it always differs from the
// text; the owner makes it transparent.
#pragma once

#include <cstdint>

#include "oru/graphics/surface.h"

namespace oru {

class ScoreDisplay : public Surface {
 public:
  ScoreDisplay() = default;
  ScoreDisplay(int fontHeight, std::uint32_t textColour)
      : textColour_(textColour), fontHeight_(fontHeight) {}

  void SetValue(int value);
  void Add(int amount);
  void Subtract(int amount);
  int GetValue() const { return value_; }

  // None of these repaints; they show at the next change of the number.
  void SetCaption(const char* caption) { caption_ = caption; }
  void SetSuffix(const char* suffix) { suffix_ = suffix; }
  void SetFontHeight(int height) { fontHeight_ = height; }
  void SetTextColour(std::uint32_t colour) { textColour_ = colour; }

  // The line as it is printed: caption, number, suffix; an unset caption or suffix is empty.
  void FormatLine(char (&line)[256]) const;
  void Redraw();

 private:
  int value_ = 0;
  std::uint32_t textColour_ = 0;
  int fontHeight_ = 0;
  const char* caption_ = nullptr;
  const char* suffix_ = nullptr;
};

}  // namespace oru
