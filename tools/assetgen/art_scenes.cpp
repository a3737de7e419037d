// Backgrounds, foreground strips, the title pictures and the end screens.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/assetgen/art.h"
#include "tools/assetgen/glyphs.h"
#include "tools/assetgen/palette.h"
#include "tools/assetgen/random.h"

namespace oru::assetgen {
namespace {

constexpr float kPi = 3.14159265f;

// Vertical gradient over rows [y0, y1) through the ramp's tones, dithered.
void Gradient(Picture& p, int y0, int y1, const Ramp& ramp) {
  const int n = static_cast<int>(ramp.size());
  for (int y = y0; y < y1; ++y) {
    const float t =
        static_cast<float>(y - y0) / static_cast<float>(std::max(1, y1 - y0 - 1)) * (n - 1);
    const int lo = std::min(static_cast<int>(t), n - 1);
    const float frac = t - lo;
    for (int x = 0; x < p.Width(); ++x) {
      const int tone = (lo < n - 1 && Dither(x, y, frac)) ? lo + 1 : lo;
      p.Set(x, y, ramp[static_cast<size_t>(tone)]);
    }
  }
}

// Ridge height at x: a sum of sines that repeats every `period` pixels.
float Ridge(float x, float period, float seed) {
  const float w = 2.0f * kPi / period;
  return std::sin(x * w * 2 + seed) * 0.5f + std::sin(x * w * 5 + seed * 2.3f) * 0.3f +
         std::sin(x * w * 11 + seed * 0.7f) * 0.2f;
}

void Cloud(Picture& p, float x, float y, float s, uint8_t light, uint8_t shade) {
  const float puffs[][3] = {{0, 0, 1.0f},
                            {-1.1f, 0.35f, 0.7f},
                            {1.1f, 0.3f, 0.75f},
                            {0.5f, -0.45f, 0.7f},
                            {-0.5f, -0.3f, 0.6f}};
  for (const auto& q : puffs)
    p.FillEllipse(x + q[0] * s, y + q[1] * s, q[2] * s * 1.2f, q[2] * s * 0.8f, shade);
  for (const auto& q : puffs)
    p.FillEllipse(x + q[0] * s - 2, y + q[1] * s - 3, q[2] * s * 1.1f, q[2] * s * 0.65f, light);
}

void Reed(Picture& p, float x, float baseY, float height, float lean, uint8_t stem, uint8_t head,
          uint8_t headLight) {
  const float topX = x + lean, topY = baseY - height;
  p.ThickLine(x, baseY, topX, topY, 2.0f, stem);
  // Cattail head a little below the tip.
  const float hx = x + lean * 0.85f, hy = baseY - height * 0.85f;
  p.FillEllipse(hx, hy, 3.0f, 9.0f, head);
  p.FillEllipse(hx - 1.0f, hy - 3.0f, 1.2f, 4.0f, headLight);
}

void GrassBlade(Picture& p, float x, float baseY, float height, float bend, float width,
                uint8_t c) {
  std::vector<PointF> pts;
  const int steps = 8;
  for (int i = 0; i <= steps; ++i) {
    const float t = static_cast<float>(i) / steps;
    pts.push_back({x + bend * t * t - width * (1 - t) * 0.5f, baseY - height * t});
  }
  for (int i = steps; i >= 0; --i) {
    const float t = static_cast<float>(i) / steps;
    pts.push_back({x + bend * t * t + width * (1 - t) * 0.5f, baseY - height * t});
  }
  p.FillPolygon(pts, c);
}

void Stone(Picture& p, float x, float y, float rx, float ry) {
  const Ramp stone{{C(102, 102, 102), C(153, 153, 153), C(192, 192, 192), C(204, 204, 204)}};
  p.FillEllipse(x, y, rx, ry, stone[1]);
  p.ShadeEllipse(x, y, rx, ry, stone);
}

// Text with a dark rim and a shadow, for pictures drawn over busy backgrounds.
void RimmedText(Picture& p, std::string_view text, int x, int y, int scale, uint8_t colour,
                uint8_t rim, uint8_t key) {
  Picture layer(p.Width(), p.Height(), key);
  DrawText(layer, text, x, y, scale, colour);
  layer.Outline(key, rim);
  if (scale >= 3) layer.Outline(key, rim);
  p.Draw(layer, 0, 0, key);
}

int CentredX(std::string_view text, int scale, int width) {
  return (width - TextWidth(text, scale)) / 2;
}

// The picture cut down to the box around its pixels that are not the key colour.
Picture Trimmed(const Picture& q) {
  int x0 = q.Width(), y0 = q.Height(), x1 = -1, y1 = -1;
  for (int y = 0; y < q.Height(); ++y) {
    for (int x = 0; x < q.Width(); ++x) {
      if (q.At(x, y) == kKey) continue;
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    }
  }
  if (x1 < 0) return q;
  return q.Crop(x0, y0, x1 - x0 + 1, y1 - y0 + 1, kKey);
}

}  // namespace

Picture DrawFieldBackground() {
  Picture p(640, 480, 0);
  // Soft sky, paler toward the horizon.
  Gradient(p, 0, 190, Ramp{{C(153, 204, 255), C(153, 204, 255), C(204, 255, 255)}});
  Cloud(p, 110, 60, 22, C(255, 255, 255), C(204, 255, 255));
  Cloud(p, 390, 40, 17, C(255, 255, 255), C(204, 255, 255));
  Cloud(p, 560, 95, 13, C(255, 255, 255), C(204, 255, 255));
  // Far hills, hazy blue-green, then nearer hills.
  p.Paint([&](int x, int y) -> int {
    const float far = 150.0f + Ridge(static_cast<float>(x), 640.0f, 1.0f) * 26.0f;
    const float near = 188.0f + Ridge(static_cast<float>(x), 640.0f, 4.0f) * 14.0f;
    if (y >= 230) return -1;
    if (y >= near) return Dither(x, y, (y - near) / 40.0f) ? C(102, 153, 102) : C(153, 204, 153);
    if (y >= far) return Dither(x, y, (y - far) / 80.0f) ? C(153, 204, 153) : C(153, 204, 204);
    return -1;
  });
  // Far meadow.
  Gradient(p, 230, 262, Ramp{{C(153, 204, 102), C(153, 204, 51)}});
  // Two small persimmon trees on the far bank, soft enough to stay in the distance.
  for (const float tx : {96.0f, 452.0f}) {
    p.ThickLine(tx, 252, tx, 236, 3, C(102, 102, 51));
    p.FillEllipse(tx, 228, 15, 11, C(102, 153, 51));
    p.FillEllipse(tx - 3, 225, 9, 6, C(153, 204, 51));
    for (const float fx : {-8.0f, -1.0f, 6.0f, 2.0f, -5.0f}) {
      const int x = static_cast<int>(tx + fx),
                y = static_cast<int>(230 + std::fabs(fx) * 0.4f - (fx > 0 ? 4 : 0));
      p.Set(x, y, C(255, 153, 51));
      p.Set(x + 1, y, C(255, 153, 51));
    }
  }
  // The river, with calm ripples.
  Gradient(p, 262, 360, Ramp{{C(102, 153, 204), C(102, 153, 153), C(102, 153, 204)}});
  Random r(0x51CE);
  for (int i = 0; i < 60; ++i) {
    const int y = r.Between(266, 354);
    const int x = r.Below(640);
    const int len = r.Between(8, 30);
    p.Line(x, y, x + len, y, (i % 3) ? C(153, 204, 204) : C(204, 255, 255));
  }
  for (int x = 0; x < 640; ++x) {
    p.Set(x, 262, C(51, 102, 51));
    p.Set(x, 263 + ((x / 7) % 2), C(102, 153, 153));
  }
  // Near bank: a grassy slope with a gravel edge.
  p.Paint([&](int x, int y) -> int {
    const float edge = 360.0f + Ridge(static_cast<float>(x), 640.0f, 7.0f) * 5.0f;
    if (y < edge) return -1;
    if (y < edge + 4) return Dither(x, y, 0.5f) ? C(204, 204, 153) : C(153, 153, 102);
    const float t = (y - edge) / (480.0f - edge);
    return Dither(x, y, t * 0.9f) ? C(102, 153, 51) : C(153, 204, 102);
  });
  for (int i = 0; i < 260; ++i) {
    const int x = r.Below(640), y = r.Between(372, 478);
    p.Line(x, y, x + r.Between(-1, 1), y - r.Between(2, 4), C(102, 153, 51));
  }
  // A scatter of tiny flowers in the grass.
  for (int i = 0; i < 40; ++i) {
    const int x = r.Below(640), y = r.Between(376, 476);
    const uint8_t petal = i % 3 ? C(255, 255, 255) : C(255, 255, 153);
    p.Set(x - 1, y, petal);
    p.Set(x + 1, y, petal);
    p.Set(x, y - 1, petal);
    p.Set(x, y + 1, petal);
    p.Set(x, y, C(255, 204, 0));
  }
  return p;
}

Picture DrawTitleBackground() {
  Picture p(640, 480, 0);
  // Evening sky from deep blue to warm orange.
  Gradient(p, 0, 300,
           Ramp{{C(51, 51, 102), C(102, 51, 102), C(153, 51, 102), C(204, 102, 51), C(255, 153, 51),
                 C(255, 204, 102)}});
  // Stars in the dark part.
  Random r(0x7171);
  for (int i = 0; i < 70; ++i) {
    const int x = r.Below(640), y = r.Below(110);
    p.Set(x, y, i % 4 ? C(204, 204, 255) : C(255, 255, 255));
  }
  // A big low sun.
  p.FillEllipse(200, 290, 60, 60, C(255, 204, 51));
  p.FillEllipse(200, 290, 52, 52, C(255, 255, 102));
  // Dark hills in front of the sun.
  p.Paint([&](int x, int y) -> int {
    const float h = 270.0f + Ridge(static_cast<float>(x), 640.0f, 2.5f) * 22.0f;
    if (y < h || y >= 320) return -1;
    return Dither(x, y, (y - h) / 60.0f) ? C(51, 0, 51) : C(102, 51, 102);
  });
  // River reflecting the sky.
  Gradient(p, 320, 400, Ramp{{C(153, 102, 102), C(102, 51, 102), C(51, 51, 102)}});
  for (int i = 0; i < 70; ++i) {
    const int y = r.Between(324, 396);
    const int x = 200 + static_cast<int>(r.Signed() * (30 + (y - 320)));
    p.Line(x - r.Between(4, 14), y, x + r.Between(4, 14), y, C(255, 204, 102));
  }
  // Bank.
  Gradient(p, 400, 480, Ramp{{C(51, 51, 0), C(51, 51, 0), C(0, 51, 0)}});
  // A persimmon tree on the right, in silhouette with glowing fruit.
  const uint8_t trunk = C(51, 0, 0);
  p.ThickLine(540, 480, 530, 300, 22, trunk);
  p.ThickLine(532, 330, 470, 250, 10, trunk);
  p.ThickLine(536, 310, 600, 230, 12, trunk);
  p.ThickLine(530, 300, 520, 200, 9, trunk);
  for (int i = 0; i < 26; ++i) {
    const float a = r.Unit() * 2 * kPi;
    const float d = r.Unit();
    p.FillEllipse(535 + std::cos(a) * 95 * d, 225 + std::sin(a) * 60 * d, r.Between(18, 34),
                  r.Between(12, 22), i % 2 ? C(0, 51, 0) : C(51, 51, 0));
  }
  for (int i = 0; i < 16; ++i) {
    const float a = r.Unit() * 2 * kPi;
    const float d = 0.3f + r.Unit() * 0.7f;
    const float x = 535 + std::cos(a) * 100 * d, y = 228 + std::sin(a) * 62 * d;
    p.FillEllipse(x, y, 5, 4.5f, C(255, 102, 0));
    p.Set(static_cast<int>(x - 2), static_cast<int>(y - 2), C(255, 204, 102));
  }
  // Grass tufts along the bottom.
  for (int i = 0; i < 90; ++i) {
    GrassBlade(p, r.Below(640), 480, r.Between(10, 34), r.Signed() * 8, 3,
               i % 2 ? C(0, 51, 0) : C(51, 102, 0));
  }
  return p;
}

namespace {

uint8_t LogoRow(int row, int height) {
  const float t = static_cast<float>(row) / height;
  if (t < 0.18f) return C(255, 255, 153);
  if (t < 0.45f) return C(255, 255, 0);
  if (t < 0.7f) return C(255, 204, 0);
  return C(255, 153, 0);
}

}  // namespace

Picture DrawLogo() {
  Picture p(640, 200, kKey);
  Picture letters(640, 200, kKey);
  const int scale = 9;
  const std::string lines[] = {"BRELLOW-", "DIDOVEZ"};
  int y = 22;
  for (const auto& line : lines) {
    DrawTextRows(letters, line, CentredX(line, scale, 640), y, scale, LogoRow);
    y += 7 * scale + 16;
  }
  // Bevel every block: a light top-left edge and a dark bottom-right edge.
  Picture bevel = letters;
  for (int yy = 0; yy < 200; ++yy) {
    for (int xx = 0; xx < 640; ++xx) {
      if (letters.At(xx, yy) == kKey) continue;
      if (letters.Get(xx - 1, yy, kKey) == kKey || letters.Get(xx, yy - 1, kKey) == kKey)
        bevel.Set(xx, yy, C(255, 255, 204));
      else if (letters.Get(xx + 1, yy, kKey) == kKey || letters.Get(xx, yy + 1, kKey) == kKey)
        bevel.Set(xx, yy, C(204, 102, 0));
    }
  }
  bevel.Outline(kKey, C(102, 0, 0));
  bevel.Outline(kKey, C(51, 0, 0));
  bevel.Outline(kKey, C(51, 0, 0));
  p.Draw(bevel, 0, 0, kKey);
  for (int i = 0; i < 5; ++i) p.DropShadow(kKey, 1 + i, 1 + i, C(0, 0, 51));
  // The cast at the ends of the lines: a chestnut and a persimmon, the crab and an octopus.
  p.Draw(DrawChestnut().Scaled(3), 28, 26, kKey);
  p.Draw(DrawPersimmon(true).Scaled(2), 560, 18, kKey);
  p.Draw(DrawCrab().Crop(0, 0, 40, 40, kKey).Scaled(2), 36, 104, kKey);
  p.Draw(DrawOctopus().Crop(0, 0, 40, 40, kKey).Scaled(2), 528, 104, kKey);
  return p;
}

Picture DrawHowToPlay() {
  struct Line {
    const char* text;
    int kind;  // 0 text, 1 heading, 2 gap, 3 a row of the game's sprites
  };
  const Line lines[] = {
      {"HOW TO PLAY", 1},
      {"STEER THE CRAB ALONG THE RIVER.", 0},
      {"SHOOT CHESTNUTS AT THE MONKEYS", 0},
      {"AND OCTOPUSES. DODGE THE INK!", 0},
      {"", 2},
      {"BROWN CHESTNUTS BEAT MONKEYS,", 0},
      {"ROASTED ONES BEAT OCTOPUSES.", 0},
      {"HOLD FIRE TO CHARGE: GOLDEN", 0},
      {"CHESTNUTS GO THROUGH THEM ALL.", 0},
      {"shots", 3},
      {"CATCH THE FLYING MORTAR TO", 0},
      {"CLEAR THE FIELD.", 0},
      {"LAST UNTIL THE CLOCK RUNS OUT,", 0},
      {"THEN BEAT THE BOSS: ONLY ROASTED", 0},
      {"AND GOLDEN CHESTNUTS HURT IT.", 0},
      {"RIPE PERSIMMONS GIVE A LIFE,", 0},
      {"GREEN ONES TAKE ONE AWAY.", 0},
      {"fruit", 3},
      {"KEYS", 1},
      {"MOVE        ARROWS OR NUM PAD", 0},
      {"FIRE        SPACE, Z OR SHIFT", 0},
      {"SWITCH      RETURN, X OR CTRL", 0},
      {"PAUSE       V", 0},
      {"START       C", 0},
      {"FULL SCREEN F4", 0},
      {"QUIT        ESCAPE", 0},
  };
  auto advance = [](int kind) { return kind == 1 ? 44 : kind == 2 ? 8 : kind == 3 ? 60 : 26; };
  // The picture is as tall as its content (the rules want 500 to 800 rows).
  int height = 16;
  for (const Line& l : lines) height += advance(l.kind);
  height = std::max(height + 8, 500);
  Picture p(640, height, kKey);
  // Sprite rows, each picture cut from the game's own art.
  const Picture crab = DrawCrab().Crop(0, 0, 40, 40, kKey);
  const Picture monkey = DrawMonkey().Crop(50, 0, 50, 60, kKey);
  const Picture octopus = DrawOctopus().Crop(0, 0, 40, 40, kKey);
  const Picture ink = DrawInk();
  const Picture charge = DrawChargeShot().Crop(0, 0, 21, 20, kKey);
  auto row = [&](std::string_view which, int y) {
    std::vector<Picture> owned;
    if (which == "shots") {
      owned = {crab,    DrawChestnut(), monkey, DrawRoastChestnut(),
               octopus, charge,         ink,    DrawMortarPickup()};
    } else {
      owned = {DrawPersimmon(true), DrawLifePersimmon(), DrawPersimmon(false), crab};
    }
    // Trim each sprite to what it shows and stand them all on one baseline.
    for (Picture& q : owned) q = Trimmed(q);
    int total = 0;
    for (const Picture& q : owned) total += q.Width() + 24;
    int x = (640 - total + 24) / 2;
    for (const Picture& q : owned) {
      p.Draw(q, x, y + 54 - q.Height(), kKey);
      x += q.Width() + 24;
    }
  };
  int y = 16;
  for (const Line& l : lines) {
    if (l.kind == 1) {
      RimmedText(p, l.text, CentredX(l.text, 5, 640), y + 4, 5, C(255, 204, 0), C(51, 0, 0), kKey);
    } else if (l.kind == 3) {
      row(l.text, y + 2);
    } else if (l.kind == 0) {
      RimmedText(p, l.text, 42, y, 3, C(255, 255, 255), C(0, 0, 51), kKey);
    }
    y += advance(l.kind);
  }
  return p;
}

Picture DrawPressStart() {
  Picture p(640, 70, kKey);
  // A red ribbon with folded ends.
  const uint8_t dark = C(102, 0, 0), mid = C(153, 0, 0), light = C(204, 51, 0);
  p.FillPolygon({{20, 18}, {70, 18}, {70, 62}, {20, 62}, {36, 40}}, dark);
  p.FillPolygon({{620, 18}, {570, 18}, {570, 62}, {620, 62}, {604, 40}}, dark);
  p.FillRect(60, 10, 520, 46, mid);
  p.FillRect(60, 10, 520, 5, light);
  p.FillRect(60, 51, 520, 5, dark);
  p.Outline(kKey, C(51, 0, 0));
  const char* text = "PRESS C TO START";
  RimmedText(p, text, CentredX(text, 4, 640), 19, 4, C(255, 255, 102), C(51, 0, 0), kKey);
  return p;
}

Picture DrawRearForeground() {
  Picture p(320, 480, kKey);
  Random r(0x2EED);
  // Reeds standing in the shallows.
  const uint8_t stem = C(51, 102, 0), head = C(102, 51, 0), headLight = C(153, 102, 51);
  const float reeds[][3] = {{40, 150, -6},  {52, 120, 4},  {60, 170, 10},
                            {180, 110, -8}, {196, 140, 3}, {262, 95, 6}};
  for (const auto& q : reeds) Reed(p, q[0], 470, q[1], q[2], stem, head, headLight);
  // Long leaves.
  for (int i = 0; i < 14; ++i) {
    const float x = 20.0f + r.Below(280);
    GrassBlade(p, x, 472, r.Between(50, 110), r.Signed() * 30, 4,
               i % 2 ? C(51, 102, 0) : C(102, 153, 0));
  }
  // A grass band whose top edge repeats every 320 pixels, so strips join side by side.
  p.Paint([&](int x, int y) -> int {
    const float top = 450.0f + Ridge(static_cast<float>(x), 320.0f, 3.0f) * 8.0f;
    if (y < top) return -1;
    return Dither(x, y, (y - top) / 30.0f) ? C(51, 102, 0) : C(102, 153, 0);
  });
  for (int i = 0; i < 60; ++i)
    GrassBlade(p, 4.0f + r.Below(312), 462, r.Between(10, 26), r.Signed() * 6, 3, C(102, 153, 0));
  Stone(p, 120, 468, 16, 10);
  Stone(p, 140, 472, 10, 7);
  Stone(p, 240, 470, 12, 8);
  p.Outline(kKey, C(0, 51, 0));
  return p;
}

Picture DrawFrontForeground() {
  Picture p(240, 480, kKey);
  Random r(0xF00D);
  // A clump of tall grass and a mossy rock: sparse, so the crab stays visible behind it.
  const uint8_t dark = C(0, 51, 0), mid = C(51, 102, 0), light = C(102, 153, 51);
  for (int i = 0; i < 9; ++i) {
    GrassBlade(p, 60.0f + r.Below(30), 480, r.Between(40, 100), r.Signed() * 26, 5,
               i % 3 == 0 ? light : mid);
  }
  // A dandelion leaning out of the clump.
  p.ThickLine(84, 470, 112, 392, 2, mid);
  p.FillEllipse(113, 388, 6, 6, C(255, 204, 0));
  p.FillEllipse(112, 387, 3, 3, C(255, 255, 102));
  Stone(p, 170, 474, 24, 14);
  p.FillEllipse(164, 462, 14, 4, mid);
  p.FillEllipse(160, 461, 8, 2, light);
  Stone(p, 205, 477, 9, 5);
  for (int i = 0; i < 20; ++i)
    GrassBlade(p, 4.0f + r.Below(232), 480, r.Between(6, 18), r.Signed() * 5, 3,
               i % 2 ? dark : mid);
  p.Outline(kKey, C(0, 0, 0));
  return p;
}

Picture DrawGameOver() {
  Picture p(640, 480, 0);
  Gradient(p, 0, 480, Ramp{{C(0, 0, 51), C(51, 0, 51), C(51, 51, 102)}});
  Random r(0x0DEAD);
  // Rain.
  for (int i = 0; i < 220; ++i) {
    const int x = r.Below(640), y = r.Below(480);
    p.Line(x, y, x - 2, y + 7, C(102, 102, 153));
  }
  // The crab, knocked out (crosses for eyes, an ink splash on its shell), between ink blots.
  Picture crab = DrawCrab().Crop(0, 0, 40, 40, kKey);
  for (const float ex : {15.0f, 24.0f}) {
    crab.FillEllipse(ex, 9.0f, 3.0f, 3.0f, C(255, 255, 255));
    const int cx = static_cast<int>(ex), cy = 9;
    crab.Line(cx - 2, cy - 2, cx + 1, cy + 1, C(0, 0, 0));
    crab.Line(cx - 2, cy + 1, cx + 1, cy - 2, C(0, 0, 0));
  }
  crab.FillEllipse(23.0f, 22.0f, 3.0f, 2.0f, C(0, 0, 51));
  // Turn the smile into a frown.
  crab.Set(17, 26, crab.At(17, 25));
  crab.Set(22, 26, crab.At(22, 25));
  crab.Set(17, 28, crab.At(18, 27));
  crab.Set(22, 28, crab.At(18, 27));
  p.Draw(crab.Scaled(4), 240, 262, kKey);
  Picture ink = DrawInk().Scaled(3);
  p.Draw(ink, 170, 330, kKey);
  p.Draw(ink, 430, 300, kKey);
  RimmedText(p, "GAME OVER", CentredX("GAME OVER", 10, 640), 100, 10, C(204, 204, 255), C(0, 0, 0),
             kKey);
  RimmedText(p, "PRESS C", CentredX("PRESS C", 3, 640), 440, 3, C(255, 255, 255), C(0, 0, 0), kKey);
  p.Replace(kKey, C(0, 0, 51));
  return p;
}

Picture DrawGameClear() {
  Picture p(640, 480, 0);
  Gradient(p, 0, 480,
           Ramp{{C(102, 204, 255), C(153, 204, 255), C(204, 255, 255), C(255, 255, 204)}});
  Random r(0xC1EA);
  // Sun rays from the top centre.
  p.Paint([&](int x, int y) -> int {
    const float a = std::atan2(static_cast<float>(y + 60), static_cast<float>(x - 320));
    return std::sin(a * 24.0f) > 0.6f && Dither(x, y, 0.5f) ? C(255, 255, 204) : -1;
  });
  // Confetti.
  const uint8_t confetti[] = {C(255, 51, 51), C(255, 204, 0), C(51, 153, 255), C(51, 204, 51),
                              C(255, 102, 204)};
  for (int i = 0; i < 160; ++i) {
    const int x = r.Below(640), y = r.Below(480);
    p.FillRect(x, y, 3, 2, confetti[i % 5]);
  }
  // Grass, the crab, persimmons around it.
  Gradient(p, 400, 480, Ramp{{C(102, 204, 51), C(51, 153, 0)}});
  Picture crab = DrawCrab().Crop(0, 0, 40, 40, kKey).Scaled(4);
  p.Draw(crab, 240, 250, kKey);
  Picture kaki = DrawPersimmon(true).Scaled(2);
  p.Draw(kaki, 120, 330, kKey);
  p.Draw(kaki, 460, 320, kKey);
  p.Draw(DrawPersimmon(true), 200, 220, kKey);
  p.Draw(DrawPersimmon(true), 420, 230, kKey);
  RimmedText(p, "GAME CLEAR!", CentredX("GAME CLEAR!", 9, 640), 90, 9, C(255, 204, 0), C(102, 0, 0),
             kKey);
  RimmedText(p, "PRESS C", CentredX("PRESS C", 3, 640), 440, 3, C(255, 255, 255), C(51, 0, 0),
             kKey);
  return p;
}

}  // namespace oru::assetgen
