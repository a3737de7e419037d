// The score line: formatted, filled and drawn with a fresh bold Gothic font at each change.
#include "oru/graphics/score_display.h"

#include <cstdio>
#include <memory>

#include "oru/platform/font.h"

namespace oru {

namespace {

// "ＭＳ ゴシック" in code page 932: the bold Gothic face the line is set in.
constexpr const char kGothicFaceName[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

}  // namespace

void ScoreDisplay::SetValue(int value) {
  value_ = value;
  Redraw();
}

// Wraps around instead of overflowing, like the counter it is.
void ScoreDisplay::Add(int amount) {
  value_ = static_cast<int>(static_cast<unsigned>(value_) + static_cast<unsigned>(amount));
  Redraw();
}

void ScoreDisplay::Subtract(int amount) {
  value_ = static_cast<int>(static_cast<unsigned>(value_) - static_cast<unsigned>(amount));
  Redraw();
}

void ScoreDisplay::SetCaptionUtf8(std::string_view caption) {
  ownCaption_ = Utf8ToCp932(caption);
  caption_ = ownCaption_.c_str();
}

void ScoreDisplay::SetSuffixUtf8(std::string_view suffix) {
  ownSuffix_ = Utf8ToCp932(suffix);
  suffix_ = ownSuffix_.c_str();
}

void ScoreDisplay::FormatLine(char (&line)[256]) const {
  // snprintf cuts an over-long caption or suffix at the buffer's end.
  std::snprintf(line, sizeof line, "%s%d%s", caption_ != nullptr ? caption_ : "", value_,
                suffix_ != nullptr ? suffix_ : "");
}

void ScoreDisplay::Redraw() {
  char line[256];
  FormatLine(line);
  FillRectColour(Rect{0, 0, Width(), Height()}, textColour_ != 0 ? 0x000000 : 0x0000FF);
  FontParams params;
  params.height = fontHeight_;
  params.weight = 700;
  params.charSet = 128;
  params.pitchAndFamily = 0;
  params.faceName = kGothicFaceName;
  DrawTextWithFont(0, 0, line, Font::Create(params), textColour_, -1);
}

}  // namespace oru
