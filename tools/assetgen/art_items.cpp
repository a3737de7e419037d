// Shots, pickups, effects and small indicators.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/palette.h"
#include "tools/assetgen/random.h"

namespace oru::assetgen {
namespace {

constexpr float kPi = 3.14159265f;

// Chestnut silhouette in its own frame: u runs from the pale base (u < 0) to the tip (u = 9.5),
// v across. Returns 0 outside, 1 for the shell, 2 for the pale base.
int ChestnutPart(float u, float v) {
  const float eu = (u + 0.5f) / 7.5f, ev = v / 6.5f;
  bool inside = eu * eu + ev * ev <= 1.0f;
  if (!inside && u >= 0.0f && u <= 9.5f) inside = std::fabs(v) <= 6.2f * (9.5f - u) / 9.0f;
  if (!inside) return 0;
  return u < -4.6f + 0.08f * v * v ? 2 : 1;
}

// Draws a chestnut centred at (cx, cy) with its tip pointing at angle (radians, 0 = right).
void DrawChestnutAt(Picture& p, float cx, float cy, float angle, const Ramp& shell,
                    const Ramp& base, float size = 1.0f) {
  const float ca = std::cos(angle) / size, sa = std::sin(angle) / size;
  p.Paint([&](int x, int y) -> int {
    const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
    const float u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
    const int part = ChestnutPart(u, v);
    if (part == 0) return -1;
    if (part == 2)
      return Dither(x, y, 0.5f + 0.4f * std::sin(x * 2.1f + y * 1.3f)) ? base[1] : base[0];
    // Lit from the top-left in picture space.
    const float nx = dx / 8.0f, ny = dy / 7.0f;
    const float lit = std::clamp(0.55f - nx * 0.45f - ny * 0.55f, 0.0f, 0.999f);
    const int tone = static_cast<int>(lit * shell.size());
    return shell[static_cast<size_t>(std::min<int>(tone, static_cast<int>(shell.size()) - 1))];
  });
  // A glossy glint near the top-left and the tuft at the tip.
  p.Set(static_cast<int>(cx - 1), static_cast<int>(cy - 4), shell.Lightest());
  p.Set(static_cast<int>(cx), static_cast<int>(cy - 4), shell.Lightest());
  // ca and sa carry 1 / size, so the tip lies at 10 * size along the axis.
  const float tip = 10.0f * size * size;
  p.Set(static_cast<int>(cx + ca * tip), static_cast<int>(cy + sa * tip), base[1]);
}

const Ramp& ChestnutShell() {
  static const Ramp r{{C(102, 51, 0), C(153, 51, 0), C(204, 102, 51), C(255, 204, 153)}};
  return r;
}
const Ramp& ChestnutBase() {
  static const Ramp r{{C(204, 153, 102), C(255, 204, 153)}};
  return r;
}

}  // namespace

Picture DrawChestnut() {
  Picture p(20, 16, kKey);
  DrawChestnutAt(p, 9.0f, 8.0f, 0.0f, ChestnutShell(), ChestnutBase());
  p.Outline(kKey, C(51, 0, 0));
  return p;
}

Picture DrawRoastChestnut() {
  Picture p(20, 16, kKey);
  const Ramp shell{{C(51, 0, 0), C(51, 51, 51), C(102, 51, 51), C(153, 102, 102)}};
  const Ramp base{{C(102, 51, 0), C(153, 102, 51)}};
  DrawChestnutAt(p, 9.0f, 8.0f, 0.0f, shell, base);
  // A roasted split showing the golden kernel.
  const uint8_t kernel = C(255, 204, 0), kernelLight = C(255, 255, 102);
  const int crack[][2] = {{5, 7},  {6, 8},  {7, 7},  {8, 8}, {9, 7},
                          {10, 8}, {11, 7}, {12, 8}, {13, 8}};
  for (const auto& c : crack) {
    p.Set(c[0], c[1], kernel);
    p.Set(c[0], c[1] - 1, c[0] % 2 ? kernelLight : kernel);
  }
  // Glowing embers.
  p.Set(15, 5, C(255, 102, 0));
  p.Set(4, 11, C(255, 102, 0));
  p.Outline(kKey, C(0, 0, 0));
  return p;
}

Picture DrawChargeShot() {
  Picture p(63, 20, kKey);
  const Ramp shell{{C(153, 51, 0), C(204, 102, 0), C(255, 153, 0), C(255, 255, 153)}};
  const Ramp base{{C(255, 255, 153), C(255, 255, 255)}};
  for (int f = 0; f < 3; ++f) {
    Picture cell(21, 20, kKey);
    DrawChestnutAt(cell, 10.5f, 10.0f, f * 2.0f * kPi / 3.0f, shell, base, 0.78f);
    cell.Outline(kKey, C(102, 0, 0));
    // Aura: bright arcs turning around it with the frames.
    cell.Paint([&](int x, int y) -> int {
      if (cell.At(x, y) != kKey) return -1;
      const float dx = x + 0.5f - 10.5f, dy = y + 0.5f - 10.0f;
      const float r = std::sqrt(dx * dx + dy * dy);
      if (r > 10.0f || r < 8.0f) return -1;
      const float a = std::atan2(dy, dx) + f * (2.0f * kPi / 9.0f);
      const float wave = 0.5f + 0.5f * std::sin(a * 3.0f);
      return wave > 0.5f ? (wave > 0.85f ? C(255, 255, 255) : C(255, 255, 51)) : -1;
    });
    // Sparkles at rotating points of the ring.
    for (int k = 0; k < 2; ++k) {
      const float a = f * 2.0f * kPi / 3.0f + k * kPi + 0.7f;
      const int sx = static_cast<int>(10.5f + std::cos(a) * 8.5f);
      const int sy = static_cast<int>(10.0f + std::sin(a) * 8.0f);
      cell.Set(sx, sy, C(255, 255, 255));
      cell.Set(sx - 1, sy, C(255, 255, 153));
      cell.Set(sx + 1, sy, C(255, 255, 153));
      cell.Set(sx, sy - 1, C(255, 255, 153));
      cell.Set(sx, sy + 1, C(255, 255, 153));
    }
    p.Draw(cell, f * 21, 0, kKey);
  }
  return p;
}

namespace {

// Smooth value noise in [0, 1] over a lattice of the given cell size.
class Noise {
 public:
  explicit Noise(uint32_t seed) {
    Random r(seed);
    for (auto& v : values_) v = r.Unit();
  }
  float At(float x, float y) const {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const float fx = x - xi, fy = y - yi;
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = V(xi, yi), b = V(xi + 1, yi), c = V(xi, yi + 1), d = V(xi + 1, yi + 1);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
  }
  float Fractal(float x, float y) const {
    return (At(x, y) * 0.6f + At(x * 2.0f + 17.0f, y * 2.0f + 5.0f) * 0.3f +
            At(x * 4.0f + 3.0f, y * 4.0f + 29.0f) * 0.1f);
  }

 private:
  float V(int x, int y) const { return values_[static_cast<size_t>((x & 31) + ((y & 31) << 5))]; }
  float values_[1024];
};

}  // namespace

Picture DrawExplosion() {
  Picture p(384, 384, kKey);
  const Noise noise(0xBA4Bu);
  // An explosion is placed at the top-left of what blew up, so its centre sits up and left in
  // the cell, near the middle of a 40 to 60 pixel sprite, and it stays inside the cell.
  constexpr float kX = 40.0f, kY = 40.0f;
  const uint8_t fire[] = {C(102, 0, 0),    C(204, 0, 0),     C(255, 102, 0),  C(255, 153, 0),
                          C(255, 204, 51), C(255, 255, 153), C(255, 255, 255)};
  const uint8_t smoke[] = {C(51, 51, 51), C(102, 102, 102), C(153, 153, 153), C(204, 204, 204)};
  for (int f = 0; f < 16; ++f) {
    Picture cell(96, 96, kKey);
    if (f < 3) {
      // Flash: a white-hot core with rays.
      const float r = 10.0f + f * 6.0f;
      cell.Paint([&](int x, int y) -> int {
        const float dx = x + 0.5f - kX, dy = y + 0.5f - kY;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float a = std::atan2(dy, dx);
        const float ray = r * (1.0f + 0.5f * std::pow(std::fabs(std::sin(a * 4.0f + f)), 8.0f));
        if (d > ray) return -1;
        const float q = d / ray;
        return q < 0.5f ? fire[6] : q < 0.8f ? fire[5] : fire[4];
      });
      cell.Outline(kKey, fire[3]);
    } else if (f < 9) {
      // Fireball: grows and cools; the hottest core shrinks.
      const float k = (f - 3) / 5.0f;
      const float r = 23.0f + k * 9.0f;
      const float heat = 1.05f - k * 0.6f;
      cell.Paint([&](int x, int y) -> int {
        const float dx = x + 0.5f - kX, dy = y + 0.5f - kY;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float n = noise.Fractal(x * 0.09f + f * 1.7f, y * 0.09f - f * 0.9f);
        const float edge = r * (0.8f + 0.4f * n);
        if (d > edge) return -1;
        float level = (1.0f - d / edge) * 1.3f * heat + (n - 0.5f) * 0.5f;
        level = std::clamp(level, 0.0f, 0.999f);
        const float scaled = level * 6.0f;
        int i = static_cast<int>(scaled);
        if (i < 6 && Dither(x, y, scaled - i)) ++i;
        return fire[std::min(i, 6)];
      });
      cell.Outline(kKey, C(102, 0, 0));
    } else {
      // Smoke: puffs that rise, spread and thin out.
      const float k = (f - 9) / 6.0f;
      const float fade = 1.0f - k * 0.85f;
      Random puffs(7);
      struct Puff {
        float x, y, r;
      };
      std::vector<Puff> list;
      for (int i = 0; i < 7; ++i) {
        const float a = i * 2.0f * kPi / 7.0f + puffs.Signed() * 0.4f;
        const float dist = 10.0f + 10.0f * k + puffs.Unit() * 4.0f;
        list.push_back({kX + std::cos(a) * dist, kY + 4.0f + std::sin(a) * dist - 6.0f * k,
                        8.0f + 4.0f * k + puffs.Unit() * 3.0f});
      }
      list.push_back({kX, kY + 2.0f - 6.0f * k, 12.0f + 5.0f * k});
      cell.Paint([&](int x, int y) -> int {
        float best = 0.0f;
        for (const Puff& pf : list) {
          const float dx = x + 0.5f - pf.x, dy = y + 0.5f - pf.y;
          const float q = 1.0f - std::sqrt(dx * dx + dy * dy) / pf.r;
          best = std::max(best, q);
        }
        if (best <= 0.0f) return -1;
        const float n = noise.Fractal(x * 0.12f + f, y * 0.12f);
        if (!Dither(x, y, fade * (0.6f + best) + n * 0.3f - 0.2f)) return -1;
        // Lit from the top-left: lighter above, ember glow early on.
        const float lit =
            std::clamp(0.5f + (kY - y) / 70.0f + (kX - x) / 140.0f + n * 0.3f, 0.0f, 0.999f);
        if (f < 11 && best > 0.5f && n > 0.5f && Dither(x, y, (11 - f) * 0.3f))
          return fire[f == 9 ? 3 : 2];
        return smoke[static_cast<int>(lit * 4.0f)];
      });
    }
    p.Draw(cell, (f % 4) * 96, (f / 4) * 96, kKey);
  }
  return p;
}

namespace {

void DrawPersimmonAt(Picture& p, float cx, float cy, float r, bool ripe, bool face) {
  const Ramp ripeSkin{{C(204, 51, 0), C(255, 102, 0), C(255, 153, 0), C(255, 204, 102)}};
  const Ramp rawSkin{{C(51, 102, 0), C(102, 153, 0), C(153, 204, 51), C(204, 255, 102)}};
  const Ramp& skin = ripe ? ripeSkin : rawSkin;
  // A slightly square, flattened fruit.
  p.Paint([&](int x, int y) -> int {
    const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
    const float a = std::atan2(dy, dx);
    const float rr = r * (1.0f + 0.06f * std::cos(4.0f * a));
    const float ex = dx / rr, ey = dy / (rr * 0.86f);
    return ex * ex + ey * ey <= 1.0f ? skin[1] : -1;
  });
  p.ShadeEllipse(cx, cy, r * 1.06f, r * 0.92f, skin);
  // Calyx: four leaves and a stem.
  const uint8_t leaf = ripe ? C(51, 102, 0) : C(0, 51, 0);
  const uint8_t leafLight = ripe ? C(102, 153, 0) : C(51, 102, 0);
  const float top = cy - r * 0.82f;
  const float s = r / 13.0f;
  p.FillPolygon({{cx - 8 * s, top - 1 * s}, {cx, top - 3 * s}, {cx, top + 2 * s}}, leaf);
  p.FillPolygon({{cx + 8 * s, top - 1 * s}, {cx, top - 3 * s}, {cx, top + 2 * s}}, leaf);
  p.FillPolygon({{cx - 5 * s, top + 3 * s}, {cx, top - 1 * s}, {cx + 1 * s, top + 2 * s}},
                leafLight);
  p.FillPolygon({{cx + 5 * s, top + 3 * s}, {cx, top - 1 * s}, {cx - 1 * s, top + 2 * s}},
                leafLight);
  p.FillRect(static_cast<int>(cx - s), static_cast<int>(top - 5 * s),
             std::max(2, static_cast<int>(2 * s)), static_cast<int>(3 * s), C(102, 51, 0));
  if (!face) return;
  const uint8_t ink = ripe ? C(102, 0, 0) : C(0, 51, 0);
  const int ex0 = static_cast<int>(cx - 5), ex1 = static_cast<int>(cx + 3),
            ey = static_cast<int>(cy + 1);
  if (ripe) {
    // Happy closed eyes and a smile, rosy cheeks.
    for (int e : {ex0, ex1}) {
      p.Set(e, ey, ink);
      p.Set(e + 1, ey - 1, ink);
      p.Set(e + 2, ey, ink);
    }
    p.Line(static_cast<int>(cx - 2), ey + 4, static_cast<int>(cx + 1), ey + 4, ink);
    p.Set(static_cast<int>(cx - 3), ey + 3, ink);
    p.Set(static_cast<int>(cx + 2), ey + 3, ink);
    p.Set(ex0 - 1, ey + 2, C(255, 51, 51));
    p.Set(ex1 + 3, ey + 2, C(255, 51, 51));
  } else {
    // Sour face: angry brows, dots for eyes, a wavy frown.
    p.Line(ex0, ey - 2, ex0 + 2, ey - 1, ink);
    p.Line(ex1, ey - 1, ex1 + 2, ey - 2, ink);
    p.Set(ex0 + 1, ey + 1, ink);
    p.Set(ex1 + 1, ey + 1, ink);
    for (int x = -3; x <= 2; ++x) p.Set(static_cast<int>(cx) + x, ey + 4 + ((x & 1) ? 0 : 1), ink);
  }
}

}  // namespace

Picture DrawPersimmon(bool ripe) {
  Picture p(30, 30, kKey);
  DrawPersimmonAt(p, 15.0f, 17.5f, 13.0f, ripe, true);
  if (!ripe) {
    // Unripe blotches.
    p.Set(8, 21, C(51, 102, 0));
    p.Set(21, 23, C(51, 102, 0));
    p.Set(22, 13, C(51, 102, 0));
  }
  p.Outline(kKey, ripe ? C(102, 0, 0) : C(0, 51, 0));
  return p;
}

Picture DrawLifePersimmon() {
  Picture p(16, 16, kKey);
  DrawPersimmonAt(p, 8.0f, 9.5f, 6.5f, true, false);
  p.Outline(kKey, C(102, 0, 0));
  return p;
}

Picture DrawInk() {
  Picture p(16, 12, kKey);
  const Ramp ink{{C(0, 0, 0), C(0, 0, 51), C(51, 51, 102), C(102, 102, 153)}};
  // A drop flying left: round front, a tail streaming behind.
  p.FillEllipse(6.0f, 6.0f, 4.8f, 4.5f, ink[1]);
  p.FillPolygon({{6, 2}, {15, 5}, {15, 6}, {6, 10}}, ink[1]);
  p.ShadeEllipse(6.0f, 6.0f, 5.5f, 5.0f, ink);
  p.Set(4, 4, ink[3]);
  p.Set(5, 4, ink[3]);
  p.Set(4, 5, ink[2]);
  p.Outline(kKey, C(0, 0, 0));
  return p;
}

namespace {

// A wooden mortar drawn into box (x, y, w, h): barrel waisted in the middle, a hollow on top.
void DrawMortarIn(Picture& p, float x0, float y0, float w, float h) {
  const Ramp wood{{C(102, 51, 0), C(153, 102, 51), C(204, 153, 102), C(255, 204, 153)}};
  const float cx = x0 + w / 2.0f;
  const float rimH = h * 0.13f;
  const float top = y0 + rimH, bottom = y0 + h - rimH * 0.75f;
  auto halfWidth = [&](float y) {
    const float t = std::clamp((y - top) / (bottom - top), 0.0f, 1.0f);
    return w / 2.0f - 0.5f - w * 0.07f * std::sin(t * kPi);
  };
  // Barrel, lit from the left, with dithered grain.
  p.Paint([&](int x, int y) -> int {
    const float fy = y + 0.5f;
    if (fy < top || fy > bottom) return -1;
    const float hw = halfWidth(fy);
    const float u = (x + 0.5f - cx) / hw;
    if (std::fabs(u) > 1.0f) return -1;
    float lit = 0.62f - u * 0.5f - u * u * 0.25f;
    lit += 0.12f * std::sin((x - x0) * 1.7f + std::sin(fy * 0.3f) * 2.0f) * (1.0f - std::fabs(u));
    lit = std::clamp(lit, 0.0f, 0.999f);
    const float s = lit * 3.0f;
    int i = static_cast<int>(s);
    if (i < 3 && Dither(x, y, (s - i - 0.3f) / 0.4f)) ++i;
    return wood[static_cast<size_t>(std::min(i, 3))];
  });
  // Rounded bottom edge.
  p.FillEllipse(cx, bottom, halfWidth(bottom), rimH * 0.75f, wood[0]);
  p.FillEllipse(cx - 1, bottom - 1, halfWidth(bottom) - 2, rimH * 0.55f, wood[1]);
  // Two dark hoops.
  for (float t : {0.22f, 0.78f}) {
    const float yy = top + (bottom - top) * t;
    const float hw = halfWidth(yy);
    for (int x = static_cast<int>(cx - hw); x <= static_cast<int>(cx + hw); ++x) {
      const float u = (x + 0.5f - cx) / hw;
      const int y = static_cast<int>(yy + (1.0f - u * u) * rimH * 0.4f);
      p.Set(x, y, C(51, 0, 0));
      p.Set(x, y + 1, x < cx - hw * 0.4f ? wood[1] : wood[0]);
    }
  }
  // Top rim and the hollow.
  p.FillEllipse(cx, top, w / 2.0f - 0.5f, rimH, wood[3]);
  p.FillEllipse(cx + 0.5f, top + 0.5f, w / 2.0f - 2.5f, rimH - 1.5f, wood[2]);
  p.FillEllipse(cx + 1.0f, top + 1.0f, w / 2.0f - 6.0f, rimH - 3.0f, C(51, 0, 0));
  p.FillEllipse(cx + 2.0f, top + 2.0f, w / 2.0f - 10.0f, rimH - 5.0f, C(102, 51, 0));
}

}  // namespace

Picture DrawMortar() {
  Picture p(80, 70, kKey);
  DrawMortarIn(p, 1.0f, 0.0f, 78.0f, 69.0f);
  p.Outline(kKey, C(51, 0, 0));
  return p;
}

Picture DrawMortarPickup() {
  Picture p(40, 40, kKey);
  // Wings.
  const uint8_t white = C(255, 255, 255), grey = C(204, 204, 204);
  for (int side = -1; side <= 1; side += 2) {
    const float bx = 20.0f + side * 10.0f;
    p.FillPolygon({{bx, 16},
                   {bx + side * 10.0f, 6},
                   {bx + side * 9.0f, 12},
                   {bx + side * 11.0f, 14},
                   {bx + side * 8.0f, 19},
                   {bx + side * 9.0f, 22},
                   {bx, 24}},
                  white);
    p.Line(static_cast<int>(bx + side * 2), 17, static_cast<int>(bx + side * 7), 12, grey);
    p.Line(static_cast<int>(bx + side * 2), 20, static_cast<int>(bx + side * 7), 18, grey);
  }
  DrawMortarIn(p, 10.0f, 10.0f, 20.0f, 22.0f);
  // Speed lines trailing to the right.
  for (int i = 0; i < 3; ++i) p.Line(31 + i, 27 + i * 3, 38, 27 + i * 3, C(255, 255, 153));
  // A star above it.
  p.FillPolygon(
      {{20, 1}, {22, 5}, {26, 5}, {23, 8}, {24, 12}, {20, 9}, {16, 12}, {17, 8}, {14, 5}, {18, 5}},
      C(255, 255, 0));
  p.Outline(kKey, C(51, 0, 0));
  return p;
}

Picture DrawFireIcon() {
  Picture p(24, 16, kKey);
  // A flame on the left...
  const uint8_t red = C(204, 0, 0), orange = C(255, 102, 0), yellow = C(255, 204, 0),
                white = C(255, 255, 153);
  p.FillPolygon({{6, 0}, {11, 7}, {11, 12}, {6, 15}, {1, 12}, {1, 7}, {3, 5}, {4, 8}}, red);
  p.FillPolygon({{6, 4}, {9, 9}, {9, 12}, {6, 14}, {3, 12}, {3, 9}}, orange);
  p.FillPolygon({{6, 8}, {8, 11}, {6, 13}, {4, 11}}, yellow);
  p.Set(6, 11, white);
  // ...and the roasted chestnut it makes.
  p.FillEllipse(16.5f, 9.0f, 5.5f, 5.0f, C(51, 0, 0));
  p.FillPolygon({{14, 5}, {17, 1}, {20, 5}}, C(51, 0, 0));
  p.FillEllipse(15.5f, 7.5f, 3.0f, 2.5f, C(102, 51, 51));
  p.Set(14, 6, C(153, 102, 102));
  p.Line(13, 10, 20, 10, yellow);
  p.Outline(kKey, C(0, 0, 0));
  return p;
}

Picture DrawClockFace() {
  Picture p(100, 100, kKey);
  const float c = 50.0f;
  // Lacquered red rim, lit from the top-left.
  const Ramp rim{{C(102, 0, 0), C(153, 0, 0), C(204, 51, 0), C(255, 102, 51)}};
  p.FillEllipse(c, c, 49.0f, 49.0f, rim[1]);
  p.ShadeEllipse(c, c, 49.0f, 49.0f, rim);
  // Face: cream paper, a little darker toward the bottom-right.
  const Ramp paper{{C(204, 204, 153), C(255, 255, 204), C(255, 251, 240)}};
  p.FillEllipse(c, c, 42.0f, 42.0f, paper[1]);
  p.Shade(
      [&](int x, int y) -> float {
        const float dx = x + 0.5f - c, dy = y + 0.5f - c;
        if (dx * dx + dy * dy > 42.0f * 42.0f) return -1.0f;
        return std::clamp(0.75f - (dx + dy) / 120.0f, 0.0f, 1.0f);
      },
      paper);
  // Hour marks: big ones at the quarters, persimmon-orange at twelve.
  for (int h = 0; h < 12; ++h) {
    const float a = h * kPi / 6.0f;
    const float sx = std::sin(a), sy = -std::cos(a);
    const bool quarter = h % 3 == 0;
    const float r0 = quarter ? 30.0f : 34.0f;
    p.ThickLine(c + sx * r0, c + sy * r0, c + sx * 39.0f, c + sy * 39.0f, quarter ? 4.0f : 2.0f,
                h == 0 ? C(255, 102, 0) : C(51, 51, 51));
  }
  for (int m = 0; m < 60; ++m) {
    if (m % 5 == 0) continue;
    const float a = m * kPi / 30.0f;
    p.Set(static_cast<int>(c + std::sin(a) * 39.0f), static_cast<int>(c - std::cos(a) * 39.0f),
          C(153, 153, 102));
  }
  // The hub the needle turns on.
  p.FillEllipse(c, c, 4.0f, 4.0f, C(51, 51, 51));
  p.FillEllipse(c - 1, c - 1, 1.5f, 1.5f, C(153, 153, 153));
  p.Outline(kKey, C(51, 0, 0));
  return p;
}

}  // namespace oru::assetgen
