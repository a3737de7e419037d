// `oru text`: draws a score line and the library's three kinds of gauge a game's status bar uses
// (clock dial, charge bar, row of lives), then shows them in a window or writes them to a PPM
// picture. A quick look at the fonts and gauges on this machine. Run in the game's data folder
// it uses the game's clock face and life picture; elsewhere it draws stand-ins.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/meter.h"
#include "oru/graphics/score_display.h"
#include "oru/graphics/surface.h"
#include "oru/platform/canvas.h"
#include "oru/platform/draw_context.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "tools/oru/command.h"
#include "tools/oru/preview.h"

namespace oru::tool {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// "Score:1234_" splits into caption "Score:", number 1234 and suffix "_". A text without a
// number keeps everything as its caption.
struct ScoreParts {
  std::string caption;
  std::string suffix;
  int value = 0;
};

ScoreParts SplitScore(const std::string& text) {
  ScoreParts parts;
  std::size_t start = 0;
  while (start < text.size() && !std::isdigit(static_cast<unsigned char>(text[start]))) ++start;
  if (start == text.size()) {
    parts.caption = text;
    return parts;
  }
  if (start > 0 && text[start - 1] == '-') --start;
  std::size_t end = start + (text[start] == '-' ? 1 : 0);
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  parts.caption = text.substr(0, start);
  parts.value = static_cast<int>(std::strtol(text.substr(start, end - start).c_str(), nullptr, 10));
  parts.suffix = text.substr(end);
  return parts;
}

// The life meter's unit: a persimmon drawn on the spot, keyed on its top-left pixel.
void DrawPersimmon(Surface& unit) {
  unit.Create(16, 16);
  unit.FillRectColour(Rect{0, 0, 16, 16}, 0xFFFFFF);
  unit.FillRectColour(Rect{3, 5, 13, 14}, 0x0080FF);
  unit.FillRectColour(Rect{2, 7, 14, 12}, 0x0080FF);
  unit.DrawLine(5, 4, 11, 4, 0x008000, 2);
  unit.DrawLine(8, 1, 8, 5, 0x004080, 1);
  unit.SetTransparentFromPixel(0, 0);
}

// Everything the demo shows, composed the way the game's screen composes its top layer.
struct DemoScene {
  explicit DemoScene(const ScoreParts& parts, const std::string& text) {
    screen.Create(kWidth, kHeight);
    screen.GradientFill(0x604020, 0xC0A080);

    score.Create(100, 20);
    score.SetValue(0);
    score.SetTransparentFromPixel(0, 0);
    score.SetCaption(parts.caption.c_str());
    score.SetSuffix(parts.suffix.c_str());
    score.SetValue(parts.value);
    score.SetPosition(5, 21);

    timeMeter.Setup({.width = 100,
                     .height = 100,
                     .background = 0xFFFFFF,
                     .foreground = 0xFF0000,
                     .transparent = 1,
                     .kind = MeterDial,
                     .maximum = 3600,
                     .value = 600,
                     .x = 540});
    chargeMeter.Setup({.width = 300,
                       .height = 10,
                       .frameWidth = 100,
                       .frameHeight = 10,
                       .background = 0,
                       .foreground = 0x0080FF,
                       .kind = MeterBar,
                       .maximum = 255,
                       .value = 128,
                       .x = 5,
                       .y = 50});
    if (!lifeMeter.LoadUnitImage("kakimeter.bmp", &group)) DrawPersimmon(lifeMeter.UnitImage());
    lifeMeter.Setup({.background = 0xFFFFFF,
                     .foreground = 0,
                     .transparent = 1,
                     .kind = MeterImages,
                     .maximum = 10,
                     .value = 5});

    // The clock's face sits behind the needle: the game's picture when run in its data folder.
    if (LoadBitmap(clockFace, "meter.bmp")) {
      RemapToTable(clockFace, nullptr, 1);
      clockFace.SetTransparentFromPixel(0, 0);
    } else {
      clockFace.Create(100, 100);
      clockFace.Fill(0);
      clockFace.SetTransparentIndex(0);
      clockFace.FillRectColour(Rect{10, 10, 90, 90}, 0xF0F0F0);
      clockFace.FrameRectColour(Rect{10, 10, 90, 90}, 0x404040, 3);
    }
    clockFace.SetPosition(540, 0);

    Surface* layers[] = {&score, &clockFace, &timeMeter, &chargeMeter, &lifeMeter};
    for (Surface* layer : layers) layer->Draw(&screen);

    // The text itself, large and outlined, and the whole charge bar (the game shows one cell
    // of it at a time).
    screen.DrawTextSized(20, 120, text.c_str(), 40, 0x00FFFF, 0x000000);
    screen.Blit(20, 200, 300, 10, &chargeMeter, 0, 0, 1);
    screen.DrawTextAt(330, 197, "charge 128 / 255", 0xFFFFFF);
  }

  Surface screen;
  Surface group;
  Surface clockFace;
  ScoreDisplay score{20, 0xFF00FF};
  Meter timeMeter;
  Meter chargeMeter;
  Meter lifeMeter;
};

int RunText(const std::vector<std::string>& args) {
  std::string text = "Score:1234_";
  std::string out;
  bool haveText = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out" && i + 1 < args.size() && out.empty()) {
      out = args[++i];
    } else if ((!args[i].empty() && args[i][0] == '-' && args[i] != "-") || haveText) {
      return Usage("text");  // an unknown option, or a second text
    } else {
      text = args[i];
      haveText = true;
    }
  }
  const ScoreParts parts = SplitScore(text);
  DemoScene scene(parts, text);
  if (!out.empty()) {
    if (!WritePpm(scene.screen, out)) return Fail("text", out, LastError());
    return 0;
  }
  return ShowInWindow(scene.screen, "oru text: " + text, "text");
}

const CommandRegistration kText("text", "text [TEXT] [--out FILE.ppm]", &RunText);

}  // namespace
}  // namespace oru::tool
