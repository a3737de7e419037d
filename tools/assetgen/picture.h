// The generator's drawing kit: a picture of default-palette indices with filled shapes, lines,
// shaded ellipses, ordered dithering and outlining. Everything draws clipped to the picture.
//
//   Picture crab(40, 40, kKey);              // keyed sprites start all key colour
//   crab.FillEllipse(20, 24, 14, 10, red);
//   crab.ShadeEllipse(20, 24, 14, 10, redRamp);
//   crab.Outline(kKey);                      // a dark rim around everything drawn
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace oru::assetgen {

struct PointF {
  float x = 0, y = 0;
};

// Tones of one material from darkest to lightest (2 to 5 entries).
struct Ramp {
  std::vector<uint8_t> tones;
  uint8_t operator[](size_t i) const { return tones[i]; }
  size_t size() const { return tones.size(); }
  uint8_t Darkest() const { return tones.front(); }
  uint8_t Lightest() const { return tones.back(); }
};

// True when a level t in [0, 1] lights pixel (x, y) under a 4x4 ordered dither.
bool Dither(int x, int y, float t);

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, uint8_t fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  uint8_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  // Outside the picture reads as `outside`.
  uint8_t Get(int x, int y, uint8_t outside) const { return Inside(x, y) ? At(x, y) : outside; }
  void Set(int x, int y, uint8_t c) {
    if (Inside(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = c;
  }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }

  void Fill(uint8_t c);
  void FillRect(int x, int y, int w, int h, uint8_t c);
  void FillEllipse(float cx, float cy, float rx, float ry, uint8_t c);
  void FillPolygon(std::initializer_list<PointF> points, uint8_t c);
  void FillPolygon(const std::vector<PointF>& points, uint8_t c);
  void Line(int x0, int y0, int x1, int y1, uint8_t c);
  // A line of round pen width.
  void ThickLine(float x0, float y0, float x1, float y1, float width, uint8_t c);
  // Ellipse arc (angles in radians, 0 = right, counter-clockwise on screen = negative y).
  void Arc(float cx, float cy, float rx, float ry, float from, float to, uint8_t c);

  // Re-tones every pixel inside the ellipse that is not `skip`, lit from the top-left: the ramp's
  // tones are spread over the lighting with dithered borders.
  void ShadeEllipse(float cx, float cy, float rx, float ry, const Ramp& ramp, int skip = -1);
  // Re-tones pixels for which paint returns a ramp level in [0, 1] (negative = leave as is).
  void Shade(const std::function<float(int, int)>& level, const Ramp& ramp);
  // Calls paint for every pixel; a result >= 0 is stored.
  void Paint(const std::function<int(int, int)>& paint);

  // Copies the pixels of src that are not `key` to (dx, dy).
  void Draw(const Picture& src, int dx, int dy, uint8_t key);
  // Replaces every pixel of value `from` by `to`.
  void Replace(uint8_t from, uint8_t to);
  // Each key pixel that touches (4-neighbour) a drawn pixel becomes a darkened copy of that
  // neighbour (or `ink` when given), giving every shape a one-pixel dark rim.
  void Outline(uint8_t key, int ink = -1);
  // Drop shadow: key pixels at (x, y) whose (x - dx, y - dy) is drawn become `shadow`.
  void DropShadow(uint8_t key, int dx, int dy, uint8_t shadow);

  Picture Crop(int x, int y, int w, int h, uint8_t outside) const;
  Picture MirroredX() const;
  // Nearest-neighbour scale by an integer factor.
  Picture Scaled(int factor) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

}  // namespace oru::assetgen
