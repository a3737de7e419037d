/// \file
/// ScreenSurface: the surface the game composes every frame into and shows in its window.
///
///   ScreenSurface screen;                  // one per process
///   screen.Create(640, 480);
///   screen.SetBackdrop(&background);
///   screen.SetScene(&layer);
///   // each frame, on the game thread, under the game window's frame lock:
///   screen.Update(CanvasOf(window), 0, 0);
///
/// Windowed, it is an ordinary Surface whose dirty tiles are converted into the window's 32-bit
/// canvas; the primary thread then shows the canvas. Full screen takes the display over: the
/// pixels move into a display-owned off-screen buffer (Lock, Pitch, OpenDC then reach that
/// buffer), the palette is mirrored into the display's, and changed tiles go straight to the
/// visible picture. SetFullScreen switches between the two from the primary thread, under the
/// same frame lock. Without a display back end, full screen is refused and the game stays
/// windowed.
#pragma once

#include <cstdint>
#include <memory>

#include "oru/graphics/surface.h"
#include "oru/platform/display.h"
#include "oru/platform/messages.h"

namespace oru {

/// The surface presented to the window each frame: it restores the backdrop under last frame's
/// sprites, draws the scene by depth and shows the dirty tiles.
class ScreenSurface : public Surface {
 public:
  /// The canvas the screen is presented to: 640 by 480 pixels.
  static constexpr int kDisplayWidth = 640;
  /// The canvas the screen is presented to: 640 by 480 pixels.
  static constexpr int kDisplayHeight = 480;

  ScreenSurface();
  ~ScreenSurface() override;

  int Create(int width, int height) override;
  int Pitch() override;
  void Unlock() override;
  std::uint8_t* Lock() override;
  void ApplyPaletteTable(const PaletteTable& table) override;
  void CopyPaletteFrom(Image* other) override;
  void PresentTo(Canvas* dc, int x, int y, int width, int height, int srcX, int srcY) override;
  DrawContext* OpenDC() override;
  int CloseDC(DrawContext* dc) override;

  /// Shows one's own colours: table becomes the screen's colour table (what SaveBitmap writes
  /// and what the colours of text and shapes are matched against), its palette (what the window
  /// shows, and the display in full screen) and the source of the blending tables
  /// (BuildColourTables). The pixels keep their values, so pictures drawn onto the screen should
  /// have been converted to the same table (SpriteOptions::colours, RemapToTable). Asks for a
  /// full redraw. Does nothing before Create. Game thread, under the frame lock.
  void SetColours(const PaletteTable& table);

  ///@{
  /// Switches full screen on or off; returns the full-screen flag afterwards. Every call
  /// restores the clip rectangle and asks for a full redraw.
  int SetFullScreen(int on);
  /// The process-wide full-screen flag (read by the mouse cursor and the game's F4 key).
  static int IsFullScreen();
  ///@}

  ///@{
  /// The dirty-tile present of this class; Update uses it. Returns 1 when it presented, 0 when
  /// the display could not be restored.
  int PresentDirty(Canvas* dc, int px, int py);
  /// The per-frame refresh of Surface::Update with this class's present. Returns 1.
  int Update(Canvas* dc, int px, int py);
  ///@}

  ///@{
  /// Steps of the switch.
  /// Takes the display for window: mode, visible picture with a cleared back buffer, palette,
  /// clipper, then the pixels move into an off-screen buffer (Create). 1, or 0 at the first
  /// failing step (the caller then releases whatever was made).
  int EnterFullScreen(WindowHandle window);
  /// Gives a taken display back (window and mode) and releases every display object.
  void ReleaseDisplay();
  /// Restores the display surfaces after the display was taken away; 0 while it cannot be.
  int RestoreLost();
  void SetClipperEnabled(int on);
  ///@}

  /// The process-wide display object (null until the first switch), for tests and tools.
  static Display* DisplayObject();

  ///@{
  /// Full-screen state. While full screen holds an off-screen buffer the pixels live there.
  std::unique_ptr<DisplaySurface> offScreen;
  std::int32_t offScreenPitch = 0;
  std::int32_t clipperEnabled = 0;
  std::int32_t switching = 0;
  DisplayFactory createEntry = nullptr;  ///< taken at construction; null refuses full screen
  WindowHandle window = nullptr;
  std::int32_t savedStyle = 0;
  std::int32_t savedExtendedStyle = 0;
  std::int32_t displayWidth = kDisplayWidth;
  std::int32_t displayHeight = kDisplayHeight;
  std::unique_ptr<DisplaySurface> primary;
  DisplaySurface* backBuffer = nullptr;  ///< belongs to primary
  std::unique_ptr<DisplayClipper> clipper;
  std::unique_ptr<DisplayPalette> displayPalette;
  ///@}

 private:
  /// Copies the palette's 256 entries into the display palette, in full screen.
  void MirrorPalette();
};

}  // namespace oru
