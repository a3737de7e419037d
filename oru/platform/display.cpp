// The full-screen display's core: surfaces, palettes and clippers kept in memory, and the
// factory that picks the back end (sdl_display.cpp by default).
#include "oru/platform/display.h"
#include "oru/platform/display_internal.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "oru/platform/canvas.h"
#include "oru/platform/clip_copy.h"
#include "oru/platform/draw_context.h"

namespace oru {

namespace {

void CopyRows(std::uint8_t* dest, int destPitch, const std::uint8_t* src, int srcPitch, int width,
              int height) {
  for (int row = 0; row < height; ++row)
    std::memmove(dest + static_cast<std::ptrdiff_t>(row) * destPitch,
                 src + static_cast<std::ptrdiff_t>(row) * srcPitch,
                 static_cast<std::size_t>(width));
}

}  // namespace

// ---- DisplayPalette -------------------------------------------------------------------------

DisplayPalette::DisplayPalette(Display* owner, const PaletteEntry* entries) : owner_(owner) {
  if (entries) std::copy(entries, entries + 256, entries_.begin());
}

int DisplayPalette::SetEntries(int first, int count, const PaletteEntry* entries) {
  if (!entries) return 1;
  for (int i = 0; i < count; ++i) {
    const int index = first + i;
    if (index >= 0 && index < 256) entries_[static_cast<std::size_t>(index)] = entries[i];
  }
  if (owner_) owner_->OnPaletteChanged(this);
  return 1;
}

// ---- DisplaySurface -------------------------------------------------------------------------

DisplaySurface::DisplaySurface(Display* owner, Kind kind, int width, int height)
    : owner_(owner),
      kind_(kind),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pitch_((std::max(width, 0) + 3) / 4 * 4),
      pixels_(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_)),
      seenLostCount_(owner->LostCount()) {
  if (kind_ == kPrimary) owner_->primary_ = this;
}

DisplaySurface::~DisplaySurface() {
  if (kind_ == kPrimary) owner_->ForgetPrimary(this);
}

std::uint8_t* DisplaySurface::Lock(int* pitch) {
  if (IsLost() || !owner_->AllowLock(*this)) return nullptr;
  if (pitch) *pitch = pitch_;
  return pixels_.data();
}

int DisplaySurface::IsLost() const {
  // Off-screen pictures live in system memory, which the display cannot take away.
  if (kind_ == kOffScreen) return 0;
  return seenLostCount_ != owner_->LostCount() ? 1 : 0;
}

int DisplaySurface::Restore() {
  if (!IsLost()) return 1;
  if (!owner_->CanRestore()) return 0;
  seenLostCount_ = owner_->LostCount();
  return 1;
}

int DisplaySurface::BltFast(int x, int y, DisplaySurface* source, const Rect& r) {
  if (!source || IsLost() || source->IsLost()) return 0;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w < 0 || h < 0 || r.left < 0 || r.top < 0 || r.right > source->width_ ||
      r.bottom > source->height_ || x < 0 || y < 0 || x + w > width_ || y + h > height_)
    return 0;
  if (w == 0 || h == 0) return 1;
  CopyRows(pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_ + x, pitch_,
           source->pixels_.data() + static_cast<std::ptrdiff_t>(r.top) * source->pitch_ + r.left,
           source->pitch_, w, h);
  if (kind_ == kPrimary) owner_->OnShown(*this, Rect{x, y, x + w, y + h});
  return 1;
}

int DisplaySurface::Blt(const Rect& d, DisplaySurface* source, const Rect& r) {
  if (!source || IsLost() || source->IsLost()) return 0;
  int dx = d.left, dy = d.top, sx = r.left, sy = r.top;
  int w = std::min(d.right - d.left, r.right - r.left);
  int h = std::min(d.bottom - d.top, r.bottom - r.top);
  if (!ClipCopy(dx, dy, sx, sy, w, h, source->width_, source->height_, width_, height_)) return 1;
  CopyRows(pixels_.data() + static_cast<std::ptrdiff_t>(dy) * pitch_ + dx, pitch_,
           source->pixels_.data() + static_cast<std::ptrdiff_t>(sy) * source->pitch_ + sx,
           source->pitch_, w, h);
  if (kind_ == kPrimary) owner_->OnShown(*this, Rect{dx, dy, dx + w, dy + h});
  return 1;
}

int DisplaySurface::Write(int x, int y, const std::uint8_t* pixels, int pitch, int width,
                          int height) {
  if (IsLost()) return 0;
  if (!pixels) return 1;
  int sx = 0, sy = 0;
  if (!ClipCopy(x, y, sx, sy, width, height, width, height, width_, height_)) return 1;
  CopyRows(pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_ + x, pitch_,
           pixels + static_cast<std::ptrdiff_t>(sy) * pitch + sx, pitch, width, height);
  if (kind_ == kPrimary) owner_->OnShown(*this, Rect{x, y, x + width, y + height});
  return 1;
}

void DisplaySurface::SetPalette(DisplayPalette* palette) {
  palette_ = palette;
  if (kind_ == kPrimary) owner_->OnShown(*this, Rect{0, 0, width_, height_});
}

DrawContext* DisplaySurface::GetDC(const std::uint8_t* colourTable) {
  int pitch = 0;
  std::uint8_t* pixels = Lock(&pitch);
  if (!pixels) return nullptr;
  if (!context_) {
    context_ = std::make_unique<DrawContext>(pixels, pitch, width_, height_, colourTable);
  } else {
    context_->Retarget(pixels, pitch, width_, height_, colourTable);
  }
  return context_.get();
}

void DisplaySurface::ReleaseDC(DrawContext* /*context*/) { Unlock(); }

// ---- Display (memory surfaces, shows nothing) -----------------------------------------------

int Display::SetCooperativeLevel(WindowHandle window, int flags) {
  if (flags == kExclusiveFullScreen) {
    taken_ = true;
    window_ = window;
  } else {
    taken_ = false;
    window_ = nullptr;
  }
  return 1;
}

int Display::SetDisplayMode(int width, int height, int bits) {
  if (width <= 0 || height <= 0 || bits != 8) return 0;
  modeWidth_ = width;
  modeHeight_ = height;
  return 1;
}

int Display::RestoreDisplayMode() {
  modeWidth_ = 0;
  modeHeight_ = 0;
  return 1;
}

std::unique_ptr<DisplaySurface> Display::CreatePrimary(int backBufferCount) {
  if (modeWidth_ <= 0 || modeHeight_ <= 0) return nullptr;
  auto primary =
      std::make_unique<DisplaySurface>(this, DisplaySurface::kPrimary, modeWidth_, modeHeight_);
  if (backBufferCount > 0)
    primary->AttachBackBuffer(std::make_unique<DisplaySurface>(this, DisplaySurface::kBackBuffer,
                                                               modeWidth_, modeHeight_));
  return primary;
}

std::unique_ptr<DisplaySurface> Display::CreateOffScreen(int width, int height) {
  // Far more than a screen needs; larger requests fail like any other allocation.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  return std::make_unique<DisplaySurface>(this, DisplaySurface::kOffScreen, width, height);
}

std::unique_ptr<DisplayPalette> Display::CreatePalette(const PaletteEntry* entries) {
  return std::make_unique<DisplayPalette>(this, entries);
}

std::unique_ptr<DisplayClipper> Display::CreateClipper() {
  return std::make_unique<DisplayClipper>();
}

void Display::OnPaletteChanged(const DisplayPalette* palette) {
  if (primary_ && primary_->Palette() == palette)
    OnShown(*primary_, Rect{0, 0, primary_->Width(), primary_->Height()});
}

// ---- The factory ----------------------------------------------------------------------------

namespace {

std::atomic<DisplayFactory> displayFactory{&CreateSystemDisplay};

}  // namespace

DisplayFactory CurrentDisplayFactory() { return displayFactory.load(); }

void SetDisplayFactory(DisplayFactory factory) { displayFactory = factory; }

void ShowPictureOnCanvas(WindowHandle window, const DisplaySurface& primary, const Rect& rect) {
  Canvas* canvas = CanvasOf(window);
  const DisplayPalette* palette = primary.Palette();
  if (!canvas) return;
  std::uint32_t lut[256] = {};
  if (palette) {
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = palette->Entries()[i];
      lut[i] = (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    }
  }
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min({rect.right, primary.Width(), Canvas::kWidth});
  const int bottom = std::min({rect.bottom, primary.Height(), Canvas::kHeight});
  if (left >= right || top >= bottom) return;
  const std::uint8_t* pixels = primary.PixelsForShow();
  {
    std::lock_guard lock(canvas->Mutex());
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* src = pixels + static_cast<std::ptrdiff_t>(y) * primary.Pitch();
      std::uint32_t* out = canvas->Pixels() + y * Canvas::kWidth;
      for (int x = left; x < right; ++x) out[x] = lut[src[x]];
    }
  }
  canvas->Show(Rect{left, top, right, bottom});
}

}  // namespace oru
