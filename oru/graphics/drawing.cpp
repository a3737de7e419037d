// Text and shapes on a Surface: the routines that go through the surface's drawing context (so a
// screen whose pixels live elsewhere draws the same way) and the two index fills that write the
// pixels directly.
#include <algorithm>
#include <utility>

#include "oru/graphics/surface.h"
#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"

namespace oru {

int Surface::FillRectColour(const Rect& rect, std::uint32_t colour) {
  DrawContext* context = OpenDC();
  if (context != nullptr) {
    context->FillRect(rect, colour);
    CloseDC(context);
  }
  MarkDirtyRectWithBackdrop(rect);
  return 1;
}

int Surface::FillRectInclusive(const Rect& rect, std::uint32_t colour) {
  DrawContext* context = OpenDC();
  if (context != nullptr) {
    context->FillRect(rect, colour);
    CloseDC(context);
  }
  MarkDirtyRectWithBackdrop(Rect{rect.left, rect.top, rect.right + 1, rect.bottom + 1});
  return 1;
}

int Surface::FrameRectColour(const Rect& rect, std::uint32_t colour, int thickness) {
  const int t = thickness;
  FillRectInclusive(Rect{rect.left, rect.top, rect.left + t, rect.bottom}, colour);
  FillRectInclusive(Rect{rect.left, rect.top, rect.right, rect.top + t}, colour);
  FillRectInclusive(Rect{rect.left, rect.bottom - t, rect.right, rect.bottom}, colour);
  FillRectInclusive(Rect{rect.right - t, rect.top, rect.right, rect.bottom}, colour);
  return 1;
}

int Surface::DrawLine(int x0, int y0, int x1, int y1, std::uint32_t colour, int width) {
  DrawContext* context = OpenDC();
  if (context != nullptr) {
    const Pen previous = context->SelectPen(Pen{width, colour});
    context->MoveTo(x0, y0);
    context->LineTo(x1, y1);
    context->SelectPen(previous);
    CloseDC(context);
  }
  // The pixels touched lie within the corners' box grown by the pen; lines running left or up
  // have their corners the other way round, so the box is put in order first.
  const int grow = std::max(width, 1) / 2 + 1;
  MarkDirtyRectWithBackdrop(Rect{std::min(x0, x1) - grow, std::min(y0, y1) - grow,
                                 std::max(x0, x1) + grow, std::max(y0, y1) + grow});
  return 1;
}

int Surface::DrawLine(const Rect& line, std::uint32_t colour, int width) {
  return DrawLine(line.left, line.top, line.right, line.bottom, colour, width);
}

int Surface::DrawTextAt(int px, int py, const char* text, std::uint32_t colour) {
  if (text == nullptr) return 0;
  DrawContext* context = OpenDC();
  if (context == nullptr) return 1;
  context->SetTextColour(colour);
  context->SetBackgroundMode(DrawContext::kTransparent);
  context->TextOut(px, py, text, -1);
  CloseDC(context);
  const Size extent = context->GetTextExtent(text, -1);
  MarkDirtyRectWithBackdrop(Rect{px, py, px + extent.cx, py + extent.cy});
  return 1;
}

int Surface::DrawTextWithFont(int px, int py, const char* text, std::unique_ptr<Font> font,
                              std::uint32_t colour, std::int32_t outline) {
  if (text == nullptr) return 0;
  const int w = FrameWidth();
  const int h = FrameHeight();
  DrawContext* context = OpenDC();
  if (context == nullptr) return 1;
  Font* previous = context->SelectFont(font.get());
  context->SetBackgroundMode(DrawContext::kTransparent);
  if (outline != -1) {
    // Each pass is clipped to its own rectangle; relative to the text the outline lands at
    // (-1,-1), (+1,-1), (0,+1), (+1,-1), (-1,+1) and (+1,+1).
    const Rect passes[] = {
        {px, py, px + w - 2, py + h - 2},         {px + 2, py, px + w + 2, py + h},
        {px + 1, py + 2, px + w + 1, py + h + 2}, {px + 2, py, px + w + 2, py + h},
        {px, py + 2, px + w, py + h + 2},         {px + 2, py + 2, px + w + 2, py + h + 2},
    };
    context->SetTextColour(static_cast<std::uint32_t>(outline));
    for (const Rect& pass : passes) context->DrawText(text, -1, pass, 0);
  }
  context->SetTextColour(colour);
  context->DrawText(text, -1, Rect{px + 1, py + 1, px + w + 1, py + h + 1}, 0);
  context->SelectFont(previous);
  CloseDC(context);
  // Mark what the passes may have touched, so text drawn onto a presented surface shows.
  MarkDirtyRectWithBackdrop(Rect{px, py, px + w + 2, py + h + 2});
  return 1;
}

int Surface::DrawTextSized(int px, int py, const char* text, int height, std::uint32_t colour,
                           std::int32_t outline) {
  if (text == nullptr) return 0;
  return DrawTextWithFont(px, py, text, Font::Create(LightModernFont(height)), colour, outline);
}

int Surface::MakeTextImageWithFont(const char* text, std::unique_ptr<Font> font,
                                   std::uint32_t colour, std::int32_t outline, const Size* size) {
  if (text == nullptr) return 0;
  Size extent;
  if (size != nullptr) {
    extent = *size;
  } else {
    DrawContext measure;
    measure.SelectFont(font.get());
    extent = measure.GetTextExtent(text, -1);
  }
  if (!Create(extent.cx + 2, extent.cy + 2)) return 0;
  SetTransparentIndex(245);
  Fill(-1);
  return DrawTextWithFont(0, 0, text, std::move(font), colour, outline);
}

int Surface::MakeTextImage(const char* text, int height, std::uint32_t colour, std::int32_t outline,
                           const Size* size) {
  return MakeTextImageWithFont(text, Font::Create(LightModernFont(height)), colour, outline, size);
}

namespace {

// The rectangle clipped to the clip rectangle and, in case that was set past the edges, to the
// image itself.
Rect ClipToImage(const Rect& rect, const Image& image) {
  return Rect{std::max({rect.left, image.clipLeft, 0}), std::max({rect.top, image.clipTop, 0}),
              std::min({rect.right, image.clipRight, image.Width()}),
              std::min({rect.bottom, image.clipBottom, image.Height()})};
}

}  // namespace

int Surface::FillRectIndex(const Rect& rect, int index) {
  std::uint8_t* base = Lock();
  if (base == nullptr) return 0;
  const Rect r = ClipToImage(rect, *this);
  const int rowPitch = Pitch();
  const auto value = static_cast<std::uint8_t>(index);
  if (r.left < r.right && r.top < r.bottom) {
    for (int row = r.top; row < r.bottom; ++row) {
      std::fill_n(base + static_cast<std::ptrdiff_t>(row) * rowPitch + r.left, r.right - r.left,
                  value);
    }
  }
  Unlock();
  return 1;
}

int Surface::FillRectPattern(const Rect& rect, int index, int step) {
  std::uint8_t* base = Lock();
  if (base == nullptr) return 0;
  if (step <= 0) step = 1;
  const Rect r = ClipToImage(rect, *this);
  const int rowPitch = Pitch();
  const auto value = static_cast<std::uint8_t>(index);
  if (r.left < r.right && r.top < r.bottom) {
    for (int row = r.top; row < r.bottom; ++row) {
      std::uint8_t* line = base + static_cast<std::ptrdiff_t>(row) * rowPitch + r.left;
      const int width = r.right - r.left;
      for (int column = (row - r.top) % step; column < width; column += step) line[column] = value;
    }
  }
  Unlock();
  return 1;
}

}  // namespace oru
