// The screen surface: windowed presentation into the window's canvas, and full screen on the
// process's display (oru/platform/display.h).
#include "oru/graphics/screen_surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "oru/platform/native_window.h"

namespace oru {

namespace {

std::atomic<int> fullScreenFlag{0};
// The display object, created at the first switch and kept until a new screen starts. The
// holder is never destroyed: the game's screen is itself a static object, destroyed at exit in
// an order this file does not control, and gives the display back from its destructor.
std::unique_ptr<Display>& Holder() {
  static auto* holder = new std::unique_ptr<Display>;
  return *holder;
}
// Screens alive; only a screen made while none is alive starts without a display object, so
// a second screen never pulls the display from under another.
int liveScreens = 0;

}  // namespace

ScreenSurface::ScreenSurface() {
  if (liveScreens++ == 0) Holder().reset();
  fullScreenFlag = 0;
  createEntry = CurrentDisplayFactory();
}

ScreenSurface::~ScreenSurface() {
  ReleaseDisplay();
  --liveScreens;
}

int ScreenSurface::IsFullScreen() { return fullScreenFlag.load(); }

Display* ScreenSurface::DisplayObject() { return Holder().get(); }

int ScreenSurface::Create(int width, int height) {
  if (!IsFullScreen() || !Holder()) return Surface::Create(width, height);
  clipLeft = 0;
  clipTop = 0;
  clipRight = width;
  clipBottom = height;

  std::unique_ptr<DisplaySurface> fresh = Holder()->CreateOffScreen((width + 3) / 4 * 4, height);
  int freshPitch = 0;
  std::uint8_t* dest = fresh ? fresh->Lock(&freshPitch) : nullptr;
  if (fresh && !dest) fresh.reset();
  if (!fresh) {
    // The pixels cannot move: the surface keeps (or gets) a bitmap of its own, and presents go
    // through the back buffer.
    const int ok = Surface::Create(width, height);
    if (ok) {
      offScreen.reset();
      offScreenPitch = 0;
    }
    return ok;
  }
  if (const std::uint8_t* src = Lock()) {
    const int rows = std::min(Height(), height), columns = std::min(Width(), width);
    const int srcPitch = Pitch();
    for (int row = 0; row < rows; ++row)
      std::memcpy(dest + static_cast<std::ptrdiff_t>(row) * freshPitch,
                  src + static_cast<std::ptrdiff_t>(row) * srcPitch,
                  static_cast<std::size_t>(std::max(columns, 0)));
    Unlock();
  }
  fresh->Unlock();
  offScreen = std::move(fresh);
  offScreenPitch = freshPitch;
  ReleasePixels();
  // A header block of its own keeps sizes and the colour table working without a bitmap.
  AdoptInfo(MakeInfo(width, height));
  OnCreated();
  MirrorPalette();
  return 1;
}

// Always the pitch of the pixels Lock hands out: while a switch runs those are the surface's own.
int ScreenSurface::Pitch() { return offScreen && !switching ? offScreenPitch : Surface::Pitch(); }

void ScreenSurface::Unlock() {
  if (offScreen) offScreen->Unlock();
}

std::uint8_t* ScreenSurface::Lock() {
  if (offScreen && !switching) {
    if (offScreen->IsLost()) offScreen->Restore();
    int pitch = 0;
    return offScreen->Lock(&pitch);
  }
  return Surface::Lock();
}

void ScreenSurface::MirrorPalette() {
  if (!IsFullScreen() || !displayPalette || !palette) return;
  PaletteEntry entries[256] = {};
  palette->GetEntries(0, 256, entries);
  displayPalette->SetEntries(0, 256, entries);
}

void ScreenSurface::ApplyPaletteTable(const PaletteTable& table) {
  Surface::ApplyPaletteTable(table);
  MirrorPalette();
}

void ScreenSurface::SetColours(const PaletteTable& table) {
  if (!colourTable) return;
  std::memcpy(colourTable, table.entries.data(), table.entries.size());
  ApplyPaletteTable(table);
  BuildColourTables();
  RequestFullRedraw();
}

void ScreenSurface::CopyPaletteFrom(Image* other) {
  Surface::CopyPaletteFrom(other);
  MirrorPalette();
}

void ScreenSurface::PresentTo(Canvas* dc, int x, int y, int width, int height, int srcX, int srcY) {
  if (primary && offScreen) {
    // The window's canvas is not used: the changed pixels go straight to the visible picture.
    if (!RestoreLost()) return;
    const Rect source{srcX, srcY, srcX + width, srcY + height};
    if (!primary->BltFast(x, y, offScreen.get(), source))
      primary->Blt(Rect{x, y, x + width, y + height}, offScreen.get(), source);
    return;
  }
  if (!primary) {
    Surface::PresentTo(dc, x, y, width, height, srcX, srcY);
    return;
  }
  // Full screen on the surface's own bitmap: through the back buffer to the visible picture.
  if (backBuffer) {
    int sx = std::max(srcX, 0), sy = std::max(srcY, 0);
    const int dx = x + (sx - srcX), dy = y + (sy - srcY);
    const int w = std::min(width - (sx - srcX), Width() - sx);
    const int h = std::min(height - (sy - srcY), Height() - sy);
    if (const std::uint8_t* pixels = Surface::Lock(); pixels && w > 0 && h > 0) {
      backBuffer->Write(dx, dy, pixels + static_cast<std::ptrdiff_t>(sy) * Surface::Pitch() + sx,
                        Surface::Pitch(), w, h);
    }
    primary->Blt(Rect{x, y, x + width, y + height}, backBuffer, Rect{x, y, x + width, y + height});
  }
}

DrawContext* ScreenSurface::OpenDC() {
  if (offScreen) return offScreen->GetDC(colourTable);
  return Surface::OpenDC();
}

int ScreenSurface::CloseDC(DrawContext* context) {
  if (offScreen) {
    offScreen->ReleaseDC(context);
    return 1;
  }
  return Surface::CloseDC(context);
}

int ScreenSurface::SetFullScreen(int on) {
  switching = 1;
  const Rect clip{clipLeft, clipTop, clipRight, clipBottom};
  if (on && !IsFullScreen()) {
    fullScreenFlag = 1;
    if (!window) window = GetActiveWindow();
    savedStyle = static_cast<std::int32_t>(GetWindowStyle(window));
    savedExtendedStyle = static_cast<std::int32_t>(GetWindowExStyle(window));
    SetWindowStyle(window, WS_POPUP);
    SetWindowExStyle(window, WS_EX_TOPMOST);
    if (!EnterFullScreen(window)) {
      ReleaseDisplay();
      SetWindowStyle(window, static_cast<std::uint32_t>(savedStyle));
      SetWindowExStyle(window, static_cast<std::uint32_t>(savedExtendedStyle));
    }
  } else if (!on && IsFullScreen()) {
    // A fresh bitmap of the same size; the full redraw below repaints it next frame.
    Surface::Create(Width(), Height());
    ReleaseDisplay();
    SetWindowStyle(window, static_cast<std::uint32_t>(savedStyle));
    SetWindowExStyle(window, static_cast<std::uint32_t>(savedExtendedStyle));
    ShowNativeWindow(window, SW_SHOWNORMAL);
    ShowNativeWindow(window, SW_SHOWMAXIMIZED);
  }
  SetClipRect(&clip);
  switching = 0;
  RequestFullRedraw();
  return IsFullScreen();
}

int ScreenSurface::EnterFullScreen(WindowHandle target) {
  if (!createEntry) return 0;
  if (!Holder()) {
    Holder() = createEntry();
    if (!Holder()) return 0;
  }
  ReleaseDisplay();
  Display& display = *Holder();
  if (!display.SetCooperativeLevel(target, Display::kExclusiveFullScreen)) return 0;
  if (!display.SetDisplayMode(displayWidth, displayHeight, 8)) return 0;

  primary = display.CreatePrimary(1);
  if (!primary) return 0;
  backBuffer = primary->BackBuffer();
  if (!backBuffer) return 0;

  RestoreLost();
  int pitch = 0;
  std::uint8_t* back = backBuffer->Lock(&pitch);
  if (!back) return 0;
  std::memset(back, 0,
              static_cast<std::size_t>(pitch) * static_cast<std::size_t>(backBuffer->Height()));
  backBuffer->Unlock();

  PaletteEntry entries[256] = {};
  if (palette) palette->GetEntries(0, 256, entries);
  displayPalette = display.CreatePalette(entries);
  if (!displayPalette) return 0;
  primary->SetPalette(displayPalette.get());

  clipper = display.CreateClipper();
  if (!clipper) return 0;
  clipper->SetWindow(target);
  if (clipperEnabled) SetClipperEnabled(1);

  fullScreenFlag = 1;
  Create(Width(), Height());
  return 1;
}

void ScreenSurface::ReleaseDisplay() {
  // Given back whenever it is taken, not only once the flag is set: entering clears the flag
  // before it takes the display, and a step failing after that must still hand the window back.
  if (Holder() && Holder()->Taken()) {
    Holder()->SetCooperativeLevel(nullptr, Display::kNormal);
    Holder()->RestoreDisplayMode();
  }
  fullScreenFlag = 0;
  backBuffer = nullptr;
  primary.reset();
  clipper.reset();
  displayPalette.reset();
  offScreen.reset();
  offScreenPitch = 0;
}

int ScreenSurface::RestoreLost() {
  if (!primary || !primary->IsLost()) return 1;
  if (!primary->Restore()) return 0;
  if (backBuffer) backBuffer->Restore();
  if (offScreen) offScreen->Restore();
  // What the visible picture held while the display was away is gone: show all of it again.
  RequestFullRedraw();
  return 1;
}

void ScreenSurface::SetClipperEnabled(int on) {
  clipperEnabled = on;
  if (primary) primary->SetClipper(on ? clipper.get() : nullptr);
}

int ScreenSurface::PresentDirty(Canvas* dc, int px, int py) {
  if (IsFullScreen()) {
    if (!RestoreLost()) return 0;
    // Without an off-screen buffer the tiles go through the back buffer (PresentTo).
    if (!offScreen) dc = nullptr;
  }
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
