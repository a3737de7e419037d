// The living things of the game: the crab, the monkeys, the octopuses and the boss.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/art.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {
namespace {

constexpr float kPi = 3.14159265f;

const Ramp& CrabShell() {
  static const Ramp r{{C(153, 0, 0), C(204, 51, 0), C(255, 102, 51), C(255, 153, 102)}};
  return r;
}
const Ramp& Fur() {
  static const Ramp r{{C(102, 51, 0), C(153, 102, 51), C(204, 153, 51)}};
  return r;
}
const Ramp& Skin() {
  static const Ramp r{{C(204, 153, 102), C(255, 204, 153), C(255, 255, 204)}};
  return r;
}
const Ramp& OctoSkin() {
  static const Ramp r{{C(102, 0, 102), C(153, 51, 153), C(204, 102, 204), C(255, 153, 255)}};
  return r;
}
const Ramp& BossSkin() {
  static const Ramp r{{C(51, 0, 102), C(102, 51, 153), C(153, 102, 204), C(204, 153, 255)}};
  return r;
}

// An eye: white ball, dark pupil toward (lookX, lookY), a glint at the top-left.
void Eye(Picture& p, float cx, float cy, float r, float lookX, float lookY, float pupil) {
  p.FillEllipse(cx, cy, r, r, C(255, 255, 255));
  const float px = cx + lookX * (r - pupil) * 0.8f, py = cy + lookY * (r - pupil) * 0.8f;
  p.FillEllipse(px, py, pupil, pupil, C(0, 0, 0));
  if (pupil >= 1.5f)
    p.Set(static_cast<int>(px - pupil * 0.4f), static_cast<int>(py - pupil * 0.4f),
          C(255, 255, 255));
}

// A tube along a curve: thick base line, then a lighter core toward the top-left.
void Tube(Picture& p, const std::vector<PointF>& pts, float w0, float w1, const Ramp& ramp) {
  const size_t n = pts.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    const float w = w0 + (w1 - w0) * static_cast<float>(i) / static_cast<float>(n - 1);
    p.ThickLine(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, w, ramp[1]);
  }
  for (size_t i = 0; i + 1 < n; ++i) {
    const float w = w0 + (w1 - w0) * static_cast<float>(i) / static_cast<float>(n - 1);
    if (w < 3.0f) continue;
    const float o = w * 0.18f;
    p.ThickLine(pts[i].x - o, pts[i].y - o, pts[i + 1].x - o, pts[i + 1].y - o, w * 0.45f, ramp[2]);
  }
}

void DrawCrabFrame(Picture& p, int ox) {
  const Ramp& shell = CrabShell();
  const uint8_t leg = shell[1];
  // Legs: three a side, bent at the knee.
  for (int i = 0; i < 3; ++i) {
    const float bx = ox + 12.0f + i * 4.0f;
    p.ThickLine(bx, 28, bx - 6, 31, 2.2f, leg);
    p.ThickLine(bx - 6, 31, bx - 8, 37, 2.0f, leg);
    const float fx = ox + 26.0f - i * 4.0f;
    p.ThickLine(fx, 28, fx + 6, 31, 2.2f, leg);
    p.ThickLine(fx + 6, 31, fx + 8, 37, 2.0f, leg);
  }
  // Back claw, small, raised on the left.
  p.ThickLine(ox + 8.0f, 24, ox + 5.0f, 17, 3.0f, shell[1]);
  p.FillEllipse(ox + 5.0f, 14, 4, 3.5f, shell[1]);
  p.ShadeEllipse(ox + 5.0f, 14, 4, 3.5f, shell);
  p.FillPolygon({{ox + 1.0f, 10}, {ox + 4.0f, 13}, {ox + 1.0f, 14}}, kKey);
  // Eye stalks.
  p.ThickLine(ox + 16.0f, 19, ox + 15.0f, 11, 2.0f, shell[1]);
  p.ThickLine(ox + 23.0f, 19, ox + 24.0f, 11, 2.0f, shell[1]);
  // Body.
  p.FillEllipse(ox + 19.5f, 25, 13.5f, 8.5f, shell[1]);
  p.ShadeEllipse(ox + 19.5f, 25, 13.5f, 8.5f, shell);
  // Shell rim and spots.
  for (int x = 9; x <= 30; ++x) p.Set(ox + x, 29 + ((x % 5) == 0 ? 1 : 0), shell[0]);
  p.Set(ox + 13, 22, shell[3]);
  p.Set(ox + 14, 22, shell[3]);
  p.Set(ox + 24, 23, shell[2]);
  // Mouth: a small smile.
  p.Line(ox + 18, 27, ox + 21, 27, shell[0]);
  p.Set(ox + 17, 26, shell[0]);
  p.Set(ox + 22, 26, shell[0]);
  // Front claw, big, held up on the right where the chestnuts leave.
  p.ThickLine(ox + 30.0f, 23, ox + 33.0f, 16, 3.5f, shell[1]);
  p.FillEllipse(ox + 33.5f, 10.5f, 6, 5, shell[1]);
  p.ShadeEllipse(ox + 33.5f, 10.5f, 6, 5, shell);
  p.FillPolygon({{ox + 40.0f, 7}, {ox + 34.5f, 10.5f}, {ox + 40.0f, 11.5f}}, kKey);
  // Eyes looking ahead.
  Eye(p, ox + 15.0f, 9, 3.0f, 0.8f, 0.0f, 1.5f);
  Eye(p, ox + 24.0f, 9, 3.0f, 0.8f, 0.0f, 1.5f);
}

}  // namespace

Picture DrawCrab() {
  Picture cell(40, 40, kKey);
  DrawCrabFrame(cell, 0);
  cell.Outline(kKey, C(51, 0, 0));
  Picture flash = cell;
  const uint8_t rim = C(51, 0, 0);
  flash.Paint([&](int x, int y) -> int {
    const uint8_t c = cell.At(x, y);
    if (c == kKey) return -1;
    if (c == rim) return C(255, 255, 255);
    return Lighter(c, 0.75f);
  });
  Picture p(80, 40, kKey);
  p.Draw(cell, 0, 0, kKey);
  p.Draw(flash, 40, 0, kKey);
  return p;
}

namespace {

struct MonkeyPose {
  float bob;       // body lift
  float frontArm;  // angle of the front arm, radians from straight down (positive = forward)
  float backArm;
  float frontLeg;  // 0 = tucked, 1 = stretched
  float backLeg;
  float tail;  // tail sway
};

void DrawMonkeyFrame(Picture& p, int ox, const MonkeyPose& pose) {
  const Ramp& fur = Fur();
  const Ramp& skin = Skin();
  const float b = pose.bob;
  // Tail, curling up behind (to the right, as the monkey faces left).
  std::vector<PointF> tail;
  for (int i = 0; i <= 10; ++i) {
    const float t = i / 10.0f;
    tail.push_back(
        {ox + 33.0f + t * 13.0f + std::sin(t * 3.0f + pose.tail) * 2.0f,
         44.0f + b - t * 22.0f + std::sin(t * kPi) * 4.0f - t * t * 4.0f * std::cos(pose.tail)});
  }
  Tube(p, tail, 3.0f, 2.2f, fur);
  // Back arm and back leg, darker, behind the body.
  auto limb = [&](float sx, float sy, float angle, float len, float w, uint8_t c,
                  const Ramp& hand) {
    const float ex = sx - std::sin(angle) * len, ey = sy + std::cos(angle) * len;
    p.ThickLine(sx, sy, ex, ey, w, c);
    p.FillEllipse(ex, ey, 2.5f, 2.2f, hand[0]);
  };
  limb(ox + 31.0f, 31.0f + b, pose.backArm, 11.0f, 3.2f, fur[0], skin);
  const float legLen = 8.0f + 5.0f * pose.backLeg;
  p.ThickLine(ox + 31.0f, 45.0f + b, ox + 35.0f - 2.0f * pose.backLeg, 45.0f + b + legLen, 3.5f,
              fur[0]);
  p.FillEllipse(ox + 33.0f - 2.0f * pose.backLeg, 46.5f + b + legLen, 4.0f, 2.0f, skin[0]);
  // Body and belly.
  p.FillEllipse(ox + 29.0f, 38.0f + b, 10.0f, 11.5f, fur[1]);
  p.ShadeEllipse(ox + 29.0f, 38.0f + b, 10.0f, 11.5f, fur);
  p.FillEllipse(ox + 25.0f, 40.0f + b, 5.5f, 7.5f, skin[1]);
  p.ShadeEllipse(ox + 25.0f, 40.0f + b, 5.5f, 7.5f, skin);
  // Front leg.
  const float fLen = 8.0f + 6.0f * pose.frontLeg;
  p.ThickLine(ox + 25.0f, 46.0f + b, ox + 21.0f - 3.0f * pose.frontLeg, 46.0f + b + fLen, 4.0f,
              fur[1]);
  p.FillEllipse(ox + 19.0f - 3.0f * pose.frontLeg, 47.5f + b + fLen, 4.5f, 2.2f, skin[1]);
  // Head: fur, ears, face mask.
  const float hx = ox + 19.0f, hy = 19.0f + b;
  p.FillEllipse(hx + 10.0f, hy - 1.0f, 4.0f, 4.0f, skin[0]);
  p.FillEllipse(hx + 10.0f, hy - 1.0f, 2.0f, 2.0f, C(255, 153, 153));
  p.FillEllipse(hx, hy, 11.0f, 10.5f, fur[1]);
  p.ShadeEllipse(hx, hy, 11.0f, 10.5f, fur);
  p.FillEllipse(hx - 4.0f, hy + 1.0f, 6.0f, 7.0f, skin[1]);
  p.FillEllipse(hx - 1.0f, hy - 2.0f, 5.0f, 4.0f, skin[1]);
  p.FillEllipse(hx - 7.0f, hy - 2.0f, 4.0f, 4.0f, skin[1]);
  p.ShadeEllipse(hx - 4.0f, hy + 1.0f, 8.0f, 8.0f, skin, fur[0]);
  // Eyes, nose and a cheeky grin.
  p.FillEllipse(hx - 8.0f, hy - 1.5f, 1.6f, 2.2f, C(0, 0, 0));
  p.FillEllipse(hx - 2.5f, hy - 1.5f, 1.6f, 2.2f, C(0, 0, 0));
  p.Set(static_cast<int>(hx - 9), static_cast<int>(hy - 3), C(255, 255, 255));
  p.Set(static_cast<int>(hx - 3), static_cast<int>(hy - 3), C(255, 255, 255));
  p.Set(static_cast<int>(hx - 7), static_cast<int>(hy + 2), C(153, 102, 51));
  p.Set(static_cast<int>(hx - 5), static_cast<int>(hy + 2), C(153, 102, 51));
  p.Arc(hx - 5.5f, hy + 3.0f, 3.5f, 2.5f, kPi * 1.1f, kPi * 1.9f, C(153, 0, 0));
  p.FillEllipse(hx - 10.0f, hy + 4.0f, 1.5f, 1.0f, C(255, 153, 153));
  // Front arm, reaching ahead.
  limb(ox + 24.0f, 31.0f + b, pose.frontArm, 12.0f, 3.5f, fur[1], skin);
}

}  // namespace

Picture DrawMonkey() {
  const MonkeyPose poses[4] = {
      {3.0f, 0.4f, -0.3f, 0.1f, 0.1f, 0.0f},  // crouch
      {-2.0f, 1.3f, 0.6f, 1.0f, 1.0f, 0.8f},  // push off
      {-7.0f, 2.2f, 1.4f, 0.5f, 0.2f, 1.6f},  // in the air, arms up front, legs tucked
      {-1.0f, 0.9f, 0.2f, 0.9f, 0.6f, 0.8f},  // landing
  };
  Picture p(200, 60, kKey);
  for (int f = 0; f < 4; ++f) {
    Picture cell(50, 60, kKey);
    DrawMonkeyFrame(cell, 0, poses[f]);
    cell.Outline(kKey, C(51, 0, 0));
    p.Draw(cell, f * 50, 0, kKey);
  }
  return p;
}

namespace {

void DrawOctopusFrame(Picture& p, int frame) {
  const Ramp& skin = OctoSkin();
  const float phase = frame * kPi / 2.0f;
  // Tentacles, waving; drawn first so the head covers their roots.
  for (int i = 0; i < 5; ++i) {
    const float rootX = 12.0f + i * 5.0f;
    std::vector<PointF> pts;
    for (int s = 0; s <= 8; ++s) {
      const float t = s / 8.0f;
      const float sway = std::sin(phase + i * 1.3f + t * 3.5f) * (1.0f + t * 5.5f);
      pts.push_back({rootX + (i - 2) * t * 3.0f + sway + t * 3.0f, 22.0f + t * 16.0f});
    }
    Tube(p, pts, 5.0f, 2.0f, skin);
  }
  // Siphon on the left: the ink blob appears with its top-left at (0, 18), so its round head
  // leaves this opening.
  p.ThickLine(3.0f, 23.0f, 12.0f, 21.0f, 5.0f, skin[1]);
  p.FillEllipse(3.5f, 23.0f, 3.2f, 3.8f, skin[3]);
  p.FillEllipse(3.0f, 23.0f, 1.6f, 2.2f, C(51, 0, 51));
  // Head: a dome leaning back.
  p.FillEllipse(24.0f, 13.0f, 12.0f, 12.0f, skin[1]);
  p.FillEllipse(20.0f, 20.0f, 10.0f, 5.0f, skin[1]);
  p.ShadeEllipse(24.0f, 13.0f, 12.5f, 12.5f, skin);
  // Headband.
  for (int x = 12; x <= 36; ++x) {
    const int y = 9 + (x - 12) / 8;
    p.Set(x, y - 1, C(255, 255, 255));
    p.Set(x, y, C(255, 255, 255));
    p.Set(x, y + 1, C(204, 204, 204));
  }
  p.FillEllipse(36.0f, 8.0f, 2.0f, 1.5f, C(255, 255, 255));
  // Eyes and a stern brow, looking left.
  Eye(p, 15.0f, 16.0f, 3.2f, -0.8f, 0.1f, 1.7f);
  Eye(p, 22.0f, 16.0f, 3.2f, -0.8f, 0.1f, 1.7f);
  p.Line(12, 12, 17, 13, skin[0]);
  p.Line(20, 13, 25, 12, skin[0]);
  // Spots on the dome.
  p.Set(29, 5, skin[3]);
  p.Set(31, 14, skin[0]);
  p.Set(33, 17, skin[0]);
}

}  // namespace

Picture DrawOctopus() {
  Picture p(160, 40, kKey);
  for (int f = 0; f < 4; ++f) {
    Picture cell(40, 40, kKey);
    DrawOctopusFrame(cell, f);
    cell.Outline(kKey, C(51, 0, 51));
    p.Draw(cell, f * 40, 0, kKey);
  }
  return p;
}

Picture DrawBoss() {
  Picture p(500, 310, kKey);
  const Ramp& skin = BossSkin();
  const Ramp sucker{{C(204, 153, 204), C(255, 204, 255)}};
  // Tentacles behind and in front: thick curling arms filling the bottom of the body area.
  auto tentacle = [&](float rootX, float rootY, float endX, float endY, float curl, float w) {
    std::vector<PointF> pts;
    for (int s = 0; s <= 24; ++s) {
      const float t = s / 24.0f;
      const float x = rootX + (endX - rootX) * t + std::sin(t * kPi * 1.5f) * curl;
      const float y = rootY + (endY - rootY) * t - std::sin(t * kPi) * 12.0f;
      pts.push_back({x, y});
    }
    Tube(p, pts, w, w * 0.3f, skin);
    // Suckers along the lower side.
    for (int s = 3; s < 22; s += 3) {
      const float t = s / 24.0f;
      const float ww = w + (w * 0.3f - w) * t;
      const PointF q = pts[static_cast<size_t>(s)];
      p.FillEllipse(q.x, q.y + ww * 0.3f, ww * 0.18f, ww * 0.14f, sucker[0]);
      p.Set(static_cast<int>(q.x), static_cast<int>(q.y + ww * 0.25f), sucker[1]);
    }
  };
  tentacle(470, 210, 492, 300, -14, 44);
  tentacle(430, 215, 450, 302, 18, 46);
  tentacle(390, 218, 400, 302, -20, 48);
  tentacle(350, 215, 330, 300, 16, 46);
  tentacle(310, 205, 262, 296, -12, 42);
  tentacle(290, 190, 210, 285, 20, 34);
  // Mantle: a great dome leaning back to the right.
  p.FillEllipse(375.0f, 118.0f, 122.0f, 118.0f, skin[1]);
  p.FillEllipse(345.0f, 190.0f, 100.0f, 42.0f, skin[1]);
  p.ShadeEllipse(375.0f, 118.0f, 124.0f, 120.0f, skin);
  p.Shade(
      [&](int x, int y) -> float {
        if (y < 176 || p.At(x, y) == kKey) return -1.0f;
        const float nx = (x - 345.0f) / 100.0f, ny = (y - 190.0f) / 42.0f;
        if (nx * nx + ny * ny > 1.0f) return -1.0f;
        return std::clamp(0.45f - nx * 0.2f - ny * 0.25f, 0.0f, 1.0f);
      },
      skin);
  // Spots.
  for (const PointF s : {PointF{420, 40}, PointF{455, 90}, PointF{400, 70}, PointF{470, 150},
                         PointF{440, 185}, PointF{390, 150}}) {
    p.FillEllipse(s.x, s.y, 9.0f, 7.0f, skin[0]);
    p.FillEllipse(s.x - 2.0f, s.y - 2.0f, 4.0f, 3.0f, skin[1]);
  }
  // Siphon reaching left: the ink comes out of its mouth at about (178, 140).
  p.FillPolygon({{270, 120}, {200, 128}, {186, 130}, {186, 152}, {200, 154}, {270, 170}}, skin[1]);
  p.Shade(
      [&](int x, int y) -> float {
        if (x > 272 || x < 180 || p.At(x, y) != skin[1]) return -1.0f;
        const float mid = 141.0f + (x - 186.0f) * 0.05f;
        return std::clamp(0.55f - (y - mid) / 28.0f, 0.0f, 1.0f);
      },
      skin);
  p.FillEllipse(186.0f, 141.0f, 9.0f, 14.0f, skin[2]);
  p.FillEllipse(184.0f, 141.0f, 6.0f, 10.0f, skin[0]);
  p.FillEllipse(183.0f, 141.0f, 3.5f, 7.0f, C(0, 0, 51));
  // Eyes: big, angry, glaring left.
  for (const PointF e : {PointF{300, 92}, PointF{346, 84}}) {
    p.FillEllipse(e.x, e.y, 22.0f, 20.0f, skin[0]);
    Eye(p, e.x, e.y + 1.0f, 17.0f, -0.85f, 0.2f, 8.0f);
    p.FillEllipse(e.x - 11.0f, e.y - 5.0f, 3.0f, 3.0f, C(255, 255, 255));
  }
  p.ThickLine(278, 62, 318, 74, 7, skin[0]);
  p.ThickLine(326, 68, 366, 56, 7, skin[0]);
  // Headband with a knot at the back.
  p.Paint([&](int x, int y) -> int {
    if (p.At(x, y) == kKey || x < 262) return -1;
    const float mid = 40.0f + (x - 262.0f) * 0.16f;
    const float d = y - mid;
    if (d >= -7 && d < 3) return C(255, 255, 255);
    if (d >= 3 && d < 7) return C(204, 204, 204);
    return -1;
  });
  p.FillPolygon({{486, 56}, {499, 36}, {499, 80}}, C(255, 255, 255));
  p.FillPolygon({{486, 58}, {470, 98}, {490, 92}}, C(204, 204, 204));
  p.Outline(kKey, C(0, 0, 51));
  return p;
}

}  // namespace oru::assetgen
