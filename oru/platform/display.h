/// \file
/// The full-screen display: an 8-bit 640 x 480 picture with a 256-entry palette that covers the
/// screen, and the surfaces, palette and clipper that belong to it.
///
///   std::unique_ptr<Display> display = CurrentDisplayFactory()();     // null: no full screen
///   display->SetCooperativeLevel(window, Display::kExclusiveFullScreen);
///   display->SetDisplayMode(640, 480, 8);
///   auto primary = display->CreatePrimary(1);      // the visible picture and its back buffer
///   auto palette = display->CreatePalette(entries);
///   primary->SetPalette(palette.get());
///   primary->BltFast(x, y, offScreen.get(), rect); // changed pixels go straight to the screen
///   display->SetCooperativeLevel(nullptr, Display::kNormal);           // the window comes back
///
/// The base class keeps every surface in memory and shows nothing; the SDL back end (the
/// default factory) takes the window to desktop full screen with a 640 x 480 logical size,
/// integer scaling and nearest sampling, letterboxed, and shows the visible picture through the
/// window's canvas. "Lost" is the display taken away (the window minimised or deactivated while
/// full screen): the visible picture and its back buffer report it until restored, and restoring
/// fails while the window is minimised. Off-screen pictures, in system memory, are never lost.
///
/// This header and display.cpp hold the interface and the in-memory core; the SDL back end,
/// CreateSystemDisplay and GetActiveWindow are in sdl_display.cpp; FakeDisplay (fake_display.h)
/// lets tests make any step fail.
///
/// Taking and giving back the window happen on the primary thread; locking, copying and palette
/// changes may come from the game thread, serialised by the caller.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oru/platform/messages.h"
#include "oru/platform/system_palette.h"

namespace oru {

class Display;
class DrawContext;

/// The 256 colours of the full-screen picture.
class DisplayPalette {
 public:
  /// A palette of owner holding a copy of 256 entries.
  DisplayPalette(Display* owner, const PaletteEntry* entries);
  ///@{
  /// Replaces entries first .. first + count - 1 (clipped to 0..255); the visible picture takes
  /// the new colours at once. Returns 1.
  int SetEntries(int first, int count, const PaletteEntry* entries);
  const PaletteEntry* Entries() const { return entries_.data(); }
  ///@}

 private:
  Display* owner_;
  std::array<PaletteEntry, 256> entries_{};
};

/// Ties the full-screen picture to a window; it records the window only.
class DisplayClipper {
 public:
  /// Records window. Returns 1.
  int SetWindow(WindowHandle window) {
    window_ = window;
    return 1;
  }
  /// The window recorded, or null.
  WindowHandle Window() const { return window_; }

 private:
  WindowHandle window_ = nullptr;
};

/// A picture of the display: the visible one, its back buffer, or one off screen.
class DisplaySurface {
 public:
  /// Which picture this is.
  enum Kind { kPrimary, kBackBuffer, kOffScreen };

  /// A picture of owner, width by height 8-bit pixels, all 0.
  DisplaySurface(Display* owner, Kind kind, int width, int height);
  ~DisplaySurface();
  DisplaySurface(const DisplaySurface&) = delete;
  DisplaySurface& operator=(const DisplaySurface&) = delete;

  /// Which picture this is.
  Kind GetKind() const { return kind_; }
  /// Width in pixels.
  int Width() const { return width_; }
  /// Height in pixels.
  int Height() const { return height_; }
  /// Bytes from one row to the next.
  int Pitch() const { return pitch_; }

  ///@{
  /// The whole surface; null (and *pitch untouched) while lost or when the display refuses.
  std::uint8_t* Lock(int* pitch);
  void Unlock() {}
  int IsLost() const;
  /// 1 when the surface is usable again, 0 while the display is still away.
  int Restore();
  /// The primary's back buffer, or null.
  DisplaySurface* BackBuffer() { return backBuffer_.get(); }
  void AttachBackBuffer(std::unique_ptr<DisplaySurface> buffer) { backBuffer_ = std::move(buffer); }
  ///@}

  ///@{
  /// Copies sourceRect of source to (x, y). Fails (0) when either rectangle reaches past its
  /// surface or a surface is lost; 1 on success.
  int BltFast(int x, int y, DisplaySurface* source, const Rect& sourceRect);
  /// Copies sourceRect of source to destRect (same size; the smaller extent wins), clipped to
  /// both surfaces. 0 when a surface is lost; 1 otherwise.
  int Blt(const Rect& destRect, DisplaySurface* source, const Rect& sourceRect);
  /// Copies width x height pixels from plain memory to (x, y), clipped. 0 when lost.
  int Write(int x, int y, const std::uint8_t* pixels, int pitch, int width, int height);
  ///@}

  /// Attaches palette (not owned); the visible picture shows its colours at once.
  void SetPalette(DisplayPalette* palette);
  /// The palette attached, or null.
  DisplayPalette* Palette() const { return palette_; }
  /// Attaches clipper (not owned).
  void SetClipper(DisplayClipper* clipper) { clipper_ = clipper; }
  /// The clipper attached, or null.
  DisplayClipper* Clipper() const { return clipper_; }

  ///@{
  /// A drawing context over the pixels (colour values map through colourTable); null when the
  /// surface cannot be locked. Give it back with ReleaseDC.
  DrawContext* GetDC(const std::uint8_t* colourTable);
  void ReleaseDC(DrawContext* context);
  ///@}

  /// The pixels as they are, lost or not, for a back end showing the visible picture.
  const std::uint8_t* PixelsForShow() const { return pixels_.data(); }

 private:
  Display* owner_;
  Kind kind_;
  int width_, height_, pitch_;
  std::vector<std::uint8_t> pixels_;
  int seenLostCount_;
  std::unique_ptr<DisplaySurface> backBuffer_;
  DisplayPalette* palette_ = nullptr;
  DisplayClipper* clipper_ = nullptr;
  std::unique_ptr<DrawContext> context_;
  friend class Display;
};

/// The full-screen display: takes a window over and shows an 8-bit picture on the whole screen.
class Display {
 public:
  /// Cooperative level: take the window over, full screen.
  static constexpr int kExclusiveFullScreen = 17;
  /// Cooperative level: give the window back.
  static constexpr int kNormal = 8;

  Display() = default;
  virtual ~Display() = default;
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  ///@{
  /// kExclusiveFullScreen takes window over; kNormal gives a taken window back (window may be
  /// null). 1 on success, 0 on failure.
  virtual int SetCooperativeLevel(WindowHandle window, int flags);
  virtual int SetDisplayMode(int width, int height, int bits);
  virtual int RestoreDisplayMode();
  /// A visible picture of the mode's size with backBufferCount back buffers (0 or 1), or null.
  virtual std::unique_ptr<DisplaySurface> CreatePrimary(int backBufferCount);
  /// An off-screen picture in system memory, or null.
  virtual std::unique_ptr<DisplaySurface> CreateOffScreen(int width, int height);
  virtual std::unique_ptr<DisplayPalette> CreatePalette(const PaletteEntry* entries);
  virtual std::unique_ptr<DisplayClipper> CreateClipper();
  ///@}

  ///@{
  /// Whether the display is taken (cooperative level exclusive, not yet given back).
  bool Taken() const { return taken_; }
  WindowHandle TakenWindow() const { return window_; }
  int ModeWidth() const { return modeWidth_; }
  int ModeHeight() const { return modeHeight_; }
  ///@}

  ///@{
  /// The display was taken away: every surface reports lost until restored.
  void MarkLost() { lostCount_.fetch_add(1); }
  int LostCount() const { return lostCount_.load(); }
  ///@}

  ///@{
  /// Hooks of the back ends.
  /// Whether lost surfaces can be restored now.
  virtual bool CanRestore() { return true; }
  /// Whether surface may be locked now (besides being lost).
  virtual bool AllowLock(const DisplaySurface& /*surface*/) { return true; }
  /// Pixels of the visible picture changed inside rect (clipped to it): show them.
  virtual void OnShown(const DisplaySurface& /*primary*/, const Rect& /*rect*/) {}
  ///@}

 protected:
  ///@{
  /// What Taken, TakenWindow, ModeWidth and ModeHeight report; the back ends keep them.
  bool taken_ = false;
  WindowHandle window_ = nullptr;
  int modeWidth_ = 0;
  int modeHeight_ = 0;
  ///@}

 private:
  friend class DisplaySurface;
  friend class DisplayPalette;
  void ForgetPrimary(const DisplaySurface* primary) {
    if (primary_ == primary) primary_ = nullptr;
  }
  void OnPaletteChanged(const DisplayPalette* palette);

  std::atomic<int> lostCount_{0};
  DisplaySurface* primary_ = nullptr;
};

///@{
/// Makes the process's display. A factory may return null (no display: full screen refused).
using DisplayFactory = std::unique_ptr<Display> (*)();
/// The SDL back end (sdl_display.cpp); null when SDL video is not running.
std::unique_ptr<Display> CreateSystemDisplay();
/// The factory new screens use; CreateSystemDisplay unless replaced. Null refuses full screen.
DisplayFactory CurrentDisplayFactory();
void SetDisplayFactory(DisplayFactory factory);
///@}

/// The window that has the keyboard focus, else the oldest open window, else null. Primary
/// thread.
WindowHandle GetActiveWindow();

}  // namespace oru
