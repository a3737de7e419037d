// The software drawing context: shapes and text written as palette indices.
#include "oru/platform/draw_context.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "oru/platform/font.h"

namespace oru {

namespace {

Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

int TextLength(const char* text, int length) {
  if (text == nullptr) return 0;
  return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

}  // namespace

DrawContext::DrawContext(std::uint8_t* pixels, int pitch, int width, int height,
                         const std::uint8_t* colourTable) {
  Retarget(pixels, pitch, width, height, colourTable);
}

void DrawContext::Retarget(std::uint8_t* pixels, int pitch, int width, int height,
                           const std::uint8_t* colourTable) {
  pixels_ = pixels;
  pitch_ = pitch;
  width_ = pixels != nullptr && width > 0 && height > 0 ? width : 0;
  height_ = pixels != nullptr && width > 0 && height > 0 ? height : 0;
  colourTable_ = colourTable;
}

std::uint8_t DrawContext::NearestIndex(std::uint32_t colour) const {
  if (colourTable_ == nullptr) return 0;
  const int red = static_cast<int>(colour & 0xFF);
  const int green = static_cast<int>((colour >> 8) & 0xFF);
  const int blue = static_cast<int>((colour >> 16) & 0xFF);
  int best = 0;
  int bestDistance = 0x7FFFFFFF;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* entry = colourTable_ + i * 4;
    const int db = entry[0] - blue;
    const int dg = entry[1] - green;
    const int dr = entry[2] - red;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return static_cast<std::uint8_t>(best);
}

void DrawContext::FillClipped(int left, int top, int right, int bottom, std::uint8_t index,
                              const Rect& clip) {
  const Rect r = Intersect(Rect{left, top, right, bottom}, clip);
  if (IsEmpty(r)) return;
  for (int y = r.top; y < r.bottom; ++y) {
    std::memset(pixels_ + static_cast<std::ptrdiff_t>(y) * pitch_ + r.left, index,
                static_cast<std::size_t>(r.right - r.left));
  }
}

void DrawContext::FillRect(const Rect& rect, std::uint32_t colour) {
  if (width_ == 0) return;
  FillClipped(rect.left, rect.top, rect.right, rect.bottom, NearestIndex(colour), Bounds());
}

Pen DrawContext::SelectPen(const Pen& pen) {
  const Pen previous = pen_;
  pen_ = pen;
  if (pen_.width < 1) pen_.width = 1;
  return previous;
}

Point DrawContext::MoveTo(int x, int y) {
  const Point previous = position_;
  position_ = Point{x, y};
  return previous;
}

void DrawContext::LineTo(int x, int y) {
  const Point from = position_;
  position_ = Point{x, y};
  if (width_ == 0) return;
  const std::uint8_t index = NearestIndex(pen_.colour);
  const int w = pen_.width;
  // Wide pens stamp a round brush of diameter w on every point of the thin line; for even
  // widths the brush centre sits half a pixel up and left of the point.
  const int low = -(w / 2);
  const int high = (w - 1) / 2;
  const int centre2 = (w % 2 == 0) ? -1 : 0;
  const Rect bounds = Bounds();
  auto stamp = [&](int px, int py) {
    if (w == 1) {
      if (px >= 0 && py >= 0 && px < width_ && py < height_) {
        pixels_[static_cast<std::ptrdiff_t>(py) * pitch_ + px] = index;
      }
      return;
    }
    for (int dy = low; dy <= high; ++dy) {
      const int ey = 2 * dy - centre2;
      int left = high + 1;
      int right = low - 1;
      for (int dx = low; dx <= high; ++dx) {
        const int ex = 2 * dx - centre2;
        if (ex * ex + ey * ey <= w * w) {
          left = std::min(left, dx);
          right = std::max(right, dx);
        }
      }
      if (left <= right) {
        FillClipped(px + left, py + dy, px + right + 1, py + dy + 1, index, bounds);
      }
    }
  };
  // Bresenham from `from` towards (x, y); the end point itself is not drawn.
  int px = from.x;
  int py = from.y;
  const int dx = std::abs(x - px);
  const int dy = -std::abs(y - py);
  const int sx = px < x ? 1 : -1;
  const int sy = py < y ? 1 : -1;
  int error = dx + dy;
  while (px != x || py != y) {
    stamp(px, py);
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      px += sx;
    }
    if (e2 <= dx) {
      error += dx;
      py += sy;
    }
  }
}

Font* DrawContext::SelectFont(Font* font) {
  Font* previous = font_;
  font_ = font;
  return previous;
}

std::uint32_t DrawContext::SetTextColour(std::uint32_t colour) {
  const std::uint32_t previous = textColour_;
  textColour_ = colour;
  return previous;
}

std::uint32_t DrawContext::SetBackgroundColour(std::uint32_t colour) {
  const std::uint32_t previous = backgroundColour_;
  backgroundColour_ = colour;
  return previous;
}

int DrawContext::SetBackgroundMode(int mode) {
  const int previous = backgroundMode_;
  backgroundMode_ = mode;
  return previous;
}

void DrawContext::DrawString(int x, int y, const char* text, int length, const Rect& clip) {
  const Font* font = font_ != nullptr ? font_ : Font::Default();
  if (width_ == 0 || font == nullptr || length <= 0) return;
  const Rect limited = Intersect(clip, Bounds());
  if (IsEmpty(limited)) return;
  if (backgroundMode_ == kOpaque) {
    const Size extent = font->Extent(text, length);
    FillClipped(x, y, x + extent.cx, y + extent.cy, NearestIndex(backgroundColour_), limited);
  }
  font->Render(text, length, x, y, pixels_, pitch_, limited, NearestIndex(textColour_));
}

bool DrawContext::TextOut(int x, int y, const char* text, int length) {
  DrawString(x, y, text, TextLength(text, length), Bounds());
  return true;
}

Size DrawContext::GetTextExtent(const char* text, int length) const {
  const Font* font = font_ != nullptr ? font_ : Font::Default();
  const int n = TextLength(text, length);
  if (font == nullptr || n == 0) return Size{};
  return font->Extent(text, n);
}

int DrawContext::DrawText(const char* text, int length, const Rect& rect, unsigned /*format*/) {
  if (IsEmpty(rect)) return 0;
  DrawString(rect.left, rect.top, text, TextLength(text, length), rect);
  const Font* font = font_ != nullptr ? font_ : Font::Default();
  return font != nullptr ? font->CellHeight() : 0;
}

bool DrawContext::TextOutUtf8(int x, int y, std::string_view text) {
  const std::string bytes = Utf8ToCp932(text);
  return TextOut(x, y, bytes.data(), static_cast<int>(bytes.size()));
}

Size DrawContext::GetTextExtentUtf8(std::string_view text) const {
  const std::string bytes = Utf8ToCp932(text);
  return GetTextExtent(bytes.data(), static_cast<int>(bytes.size()));
}

int DrawContext::DrawTextUtf8(std::string_view text, const Rect& rect, unsigned format) {
  const std::string bytes = Utf8ToCp932(text);
  return DrawText(bytes.data(), static_cast<int>(bytes.size()), rect, format);
}

}  // namespace oru
