// `oru view`: shows a picture in a window, the way the game's screen shows it (8-bit pixels
// converted through the palette into the window's canvas), or writes it as a PPM picture.
// --test-pattern shows a generated picture: every palette entry, a gradient and keyed sprites.
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/last_error.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"
#include "oru/platform/canvas.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "tools/oru/command.h"
#include "tools/oru/preview.h"

namespace oru::tool {
namespace {

// Palette swatches in a 16 x 16 grid, a gradient band, and a row of ellipse sprites drawn with
// the run table over it, partly off the right edge.
void DrawTestPattern(Surface& screen) {
  screen.Create(640, 480);
  screen.Fill(0);
  for (int index = 0; index < 256; ++index) {
    Surface swatch;
    swatch.Create(24, 16);
    swatch.Fill(index);
    screen.Blit(8 + (index % 16) * 26, 8 + (index / 16) * 18, 24, 16, &swatch, 0, 0, 0);
  }
  Surface band;
  band.Create(200, 288);
  band.GradientFill(0x00FF8040, 0x00401000);
  screen.Blit(432, 8, 200, 288, &band, 0, 0, 0);

  Surface sprite;
  sprite.Create(96, 96);
  sprite.Fill(PaletteTable::kTransparentIndex);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 96; ++x) {
      const int dx = 2 * x - 95, dy = 2 * y - 95;
      if (dx * dx + dy * dy <= 96 * 96)
        sprite.pixels[y * sprite.pitch + x] = static_cast<std::uint8_t>(10 + (x + y) % 200);
    }
  sprite.SetTransparentIndex(PaletteTable::kTransparentIndex);
  sprite.BuildRunTable(1);
  for (int i = 0; i < 8; ++i) {
    sprite.SetPosition(-20 + i * 90, 320 + (i % 2) * 40);
    sprite.Draw(&screen);
  }
}

// Loads a bitmap, or a pack holding one, into the surface with its own colours.
bool LoadPicture(Surface& surface, const std::string& path) {
  return LoadBitmap(surface, path.c_str()) != 0;
}

int RunView(const std::vector<std::string>& args) {
  std::string file;
  std::string out;
  bool testPattern = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--test-pattern") {
      testPattern = true;
    } else if (args[i] == "--out" && i + 1 < args.size() && out.empty()) {
      out = args[++i];
    } else if ((!args[i].empty() && args[i][0] == '-') || !file.empty()) {
      return Usage("view");  // an unknown option, or a second file
    } else {
      file = args[i];
    }
  }
  if (testPattern == !file.empty()) return Usage("view");

  Surface picture;
  if (testPattern) {
    DrawTestPattern(picture);
  } else if (!LoadPicture(picture, file)) {
    return Fail("view", file, LastError());
  }
  if (!out.empty()) {
    if (!WritePpm(picture, out)) return Fail("view", out, LastError());
    return 0;
  }
  return ShowInWindow(
      picture, "oru view: " + (testPattern ? std::string("test pattern") : Escaped(file)), "view");
}

const CommandRegistration kView("view", "view FILE | --test-pattern [--out FILE.ppm]", &RunView);

}  // namespace
}  // namespace oru::tool
