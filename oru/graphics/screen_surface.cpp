// The screen surface: windowed presentation into the window's canvas, and the sequence of the
// full-screen switch. The display back end plugs into EnterFullScreen; while there is none,
// entering fails and everything below takes the windowed path.
#include "oru/graphics/screen_surface.h"

#include <atomic>

namespace oru {

namespace {

std::atomic<int> fullScreenFlag{0};

}  // namespace

ScreenSurface::ScreenSurface() { fullScreenFlag = 0; }

ScreenSurface::~ScreenSurface() { ReleaseDisplay(); }

int ScreenSurface::IsFullScreen() { return fullScreenFlag.load(); }

int ScreenSurface::Create(int width, int height) { return Surface::Create(width, height); }

int ScreenSurface::Pitch() { return offScreen ? offScreenPitch : Surface::Pitch(); }

void ScreenSurface::Unlock() {}

std::uint8_t* ScreenSurface::Lock() {
  if (offScreen && !switching) return offScreen;
  return Surface::Lock();
}

void ScreenSurface::ApplyPaletteTable(const PaletteTable& table) {
  Surface::ApplyPaletteTable(table);
}

void ScreenSurface::CopyPaletteFrom(Image* other) { Surface::CopyPaletteFrom(other); }

void ScreenSurface::PresentTo(Canvas* dc, int x, int y, int width, int height, int srcX,
                              int srcY) {
  Surface::PresentTo(dc, x, y, width, height, srcX, srcY);
}

DrawContext* ScreenSurface::OpenDC() { return Surface::OpenDC(); }

int ScreenSurface::CloseDC(DrawContext* context) { return Surface::CloseDC(context); }

int ScreenSurface::SetFullScreen(int on) {
  switching = 1;
  const Rect clip{clipLeft, clipTop, clipRight, clipBottom};
  if (on && !IsFullScreen()) {
    fullScreenFlag = 1;
    if (!EnterFullScreen(window)) ReleaseDisplay();
  } else if (!on && IsFullScreen()) {
    Surface::Create(Width(), Height());
    ReleaseDisplay();
  }
  SetClipRect(&clip);
  switching = 0;
  RequestFullRedraw();
  return IsFullScreen();
}

int ScreenSurface::EnterFullScreen(WindowHandle /*target*/) {
  // No display back end: full screen is refused.
  return 0;
}

void ScreenSurface::ReleaseDisplay() {
  fullScreenFlag = 0;
  offScreen = nullptr;
  offScreenPitch = 0;
}

int ScreenSurface::RestoreLost() { return 1; }

void ScreenSurface::SetClipperEnabled(int on) { clipperEnabled = on; }

int ScreenSurface::PresentDirty(Canvas* dc, int px, int py) {
  if (IsFullScreen() && !RestoreLost()) return 0;
  Surface::PresentDirty(dc, px, py);
  return 1;
}

int ScreenSurface::Update(Canvas* dc, int px, int py) {
  if (backdrop) backdrop->CopyDirtyTo(this, backdrop->x, backdrop->y);
  if (scene) DrawScene(scene);
  PresentDirty(dc, px, py);
  return 1;
}

}  // namespace oru
