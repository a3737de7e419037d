// Drawing kit of the asset generator.
#include "tools/assetgen/picture.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/palette.h"

namespace oru::assetgen {

namespace {
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
}

bool Dither(int x, int y, float t) {
  return t * 16.0f > static_cast<float>(kBayer[y & 3][x & 3]) + 0.5f;
}

Picture::Picture(int width, int height, uint8_t fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Picture::Fill(uint8_t c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Picture::FillRect(int x, int y, int w, int h, uint8_t c) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) pixels_[static_cast<size_t>(yy) * width_ + xx] = c;
}

void Picture::FillEllipse(float cx, float cy, float rx, float ry, uint8_t c) {
  if (rx <= 0 || ry <= 0) return;
  const int y0 = static_cast<int>(std::floor(cy - ry)), y1 = static_cast<int>(std::ceil(cy + ry));
  const int x0 = static_cast<int>(std::floor(cx - rx)), x1 = static_cast<int>(std::ceil(cx + rx));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
      if (dx * dx + dy * dy <= 1.0f) Set(x, y, c);
    }
  }
}

void Picture::FillPolygon(std::initializer_list<PointF> points, uint8_t c) {
  FillPolygon(std::vector<PointF>(points), c);
}

void Picture::FillPolygon(const std::vector<PointF>& pts, uint8_t c) {
  if (pts.size() < 3) return;
  float minY = pts[0].y, maxY = pts[0].y;
  for (const auto& p : pts) {
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  std::vector<float> xs;
  for (int y = std::max(0, static_cast<int>(std::floor(minY)));
       y <= std::min(height_ - 1, static_cast<int>(std::ceil(maxY))); ++y) {
    const float sy = y + 0.5f;
    xs.clear();
    for (size_t i = 0; i < pts.size(); ++i) {
      const PointF a = pts[i], b = pts[(i + 1) % pts.size()];
      if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy)) {
        xs.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
      }
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int xa = static_cast<int>(std::ceil(xs[i] - 0.5f));
      const int xb = static_cast<int>(std::floor(xs[i + 1] - 0.5f));
      for (int x = xa; x <= xb; ++x) Set(x, y, c);
    }
  }
}

void Picture::Line(int x0, int y0, int x1, int y1, uint8_t c) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Picture::ThickLine(float x0, float y0, float x1, float y1, float width, uint8_t c) {
  const float r = width / 2.0f;
  const int minX = static_cast<int>(std::floor(std::min(x0, x1) - r));
  const int maxX = static_cast<int>(std::ceil(std::max(x0, x1) + r));
  const int minY = static_cast<int>(std::floor(std::min(y0, y1) - r));
  const int maxY = static_cast<int>(std::ceil(std::max(y0, y1) + r));
  const float vx = x1 - x0, vy = y1 - y0;
  const float len2 = vx * vx + vy * vy;
  for (int y = minY; y <= maxY; ++y) {
    for (int x = minX; x <= maxX; ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      float t = len2 > 0 ? (px * vx + py * vy) / len2 : 0.0f;
      t = std::clamp(t, 0.0f, 1.0f);
      const float dx = px - t * vx, dy = py - t * vy;
      if (dx * dx + dy * dy <= r * r) Set(x, y, c);
    }
  }
}

void Picture::Arc(float cx, float cy, float rx, float ry, float from, float to, uint8_t c) {
  const int steps = std::max(8, static_cast<int>((to - from) * std::max(rx, ry) * 2.0f));
  int lastX = 1 << 30, lastY = 0;
  for (int i = 0; i <= steps; ++i) {
    const float a = from + (to - from) * static_cast<float>(i) / static_cast<float>(steps);
    const int x = static_cast<int>(std::floor(cx + std::cos(a) * rx));
    const int y = static_cast<int>(std::floor(cy - std::sin(a) * ry));
    if (lastX != (1 << 30) && (std::abs(x - lastX) > 1 || std::abs(y - lastY) > 1)) {
      Line(lastX, lastY, x, y, c);
    } else {
      Set(x, y, c);
    }
    lastX = x;
    lastY = y;
  }
}

void Picture::ShadeEllipse(float cx, float cy, float rx, float ry, const Ramp& ramp, int skip) {
  // Light comes from the top-left and slightly in front.
  const float lx = -0.55f, ly = -0.65f, lz = 0.52f;
  Shade(
      [&](int x, int y) -> float {
        if (skip >= 0 && At(x, y) == skip) return -1.0f;
        const float nx = (x + 0.5f - cx) / rx, ny = (y + 0.5f - cy) / ry;
        const float d = nx * nx + ny * ny;
        if (d > 1.0f) return -1.0f;
        const float nz = std::sqrt(1.0f - d);
        const float lit = nx * lx + ny * ly + nz * lz;  // -1 .. 1
        return std::clamp(0.5f + lit * 0.62f, 0.0f, 1.0f);
      },
      ramp);
}

void Picture::Shade(const std::function<float(int, int)>& level, const Ramp& ramp) {
  const int n = static_cast<int>(ramp.size());
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const float t = level(x, y);
      if (t < 0.0f) continue;
      const float scaled = std::clamp(t, 0.0f, 1.0f) * static_cast<float>(n - 1);
      int lo = static_cast<int>(std::floor(scaled));
      if (lo >= n - 1) lo = n - 1;
      const float frac = scaled - static_cast<float>(lo);
      // Dither only a narrow band around each border so materials keep flat areas.
      const float band = std::clamp((frac - 0.35f) / 0.3f, 0.0f, 1.0f);
      const int tone = (lo < n - 1 && Dither(x, y, band)) ? lo + 1 : lo;
      Set(x, y, ramp[static_cast<size_t>(tone)]);
    }
  }
}

void Picture::Paint(const std::function<int(int, int)>& paint) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const int c = paint(x, y);
      if (c >= 0) Set(x, y, static_cast<uint8_t>(c));
    }
  }
}

void Picture::Draw(const Picture& src, int dx, int dy, uint8_t key) {
  for (int y = 0; y < src.height_; ++y) {
    for (int x = 0; x < src.width_; ++x) {
      const uint8_t c = src.At(x, y);
      if (c != key) Set(dx + x, dy + y, c);
    }
  }
}

void Picture::Replace(uint8_t from, uint8_t to) {
  std::replace(pixels_.begin(), pixels_.end(), from, to);
}

void Picture::Outline(uint8_t key, int ink) {
  Picture out = *this;
  static constexpr int kDx[4] = {1, -1, 0, 0}, kDy[4] = {0, 0, 1, -1};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (At(x, y) != key) continue;
      for (int k = 0; k < 4; ++k) {
        const uint8_t n = Get(x + kDx[k], y + kDy[k], key);
        if (n != key) {
          out.Set(x, y, ink >= 0 ? static_cast<uint8_t>(ink) : Darker(n, 0.3f));
          break;
        }
      }
    }
  }
  *this = std::move(out);
}

void Picture::DropShadow(uint8_t key, int dx, int dy, uint8_t shadow) {
  Picture out = *this;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (At(x, y) == key && Get(x - dx, y - dy, key) != key) out.Set(x, y, shadow);
  *this = std::move(out);
}

Picture Picture::Crop(int x, int y, int w, int h, uint8_t outside) const {
  Picture out(w, h, outside);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) out.Set(xx, yy, Get(x + xx, y + yy, outside));
  return out;
}

Picture Picture::MirroredX() const {
  Picture out(width_, height_, 0);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) out.Set(width_ - 1 - x, y, At(x, y));
  return out;
}

Picture Picture::Scaled(int factor) const {
  Picture out(width_ * factor, height_ * factor, 0);
  for (int y = 0; y < out.height_; ++y)
    for (int x = 0; x < out.width_; ++x) out.Set(x, y, At(x / factor, y / factor));
  return out;
}

}  // namespace oru::assetgen
