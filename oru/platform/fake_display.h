/// \file
/// FakeDisplay: the display the tests put behind the factory in place of a back end. Surfaces
/// stay in memory as in the base class.
///
///   auto fake = std::make_unique<FakeDisplay>();
///   fake->failing = FakeDisplay::kBackBuffer;    // CreatePrimary makes no back buffer
///   fake->SetDisplayMode(640, 480, 8);           // fake->calls: {"mode 640x480x8"}
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oru/platform/display.h"

namespace oru {

/// A display whose steps can be made to fail, and which records what it was asked to do.
class FakeDisplay : public Display {
 public:
  /// The steps a test can make fail, as bits of failing.
  enum Step : unsigned {
    kCooperativeLevel = 1u << 0,
    kDisplayMode = 1u << 1,
    kPrimary = 1u << 2,
    kBackBuffer = 1u << 3,
    kLockBackBuffer = 1u << 4,
    kPalette = 1u << 5,
    kClipper = 1u << 6,
    kOffScreen = 1u << 7,
    kLockOffScreen = 1u << 8,
    kRestore = 1u << 9,
  };

  int SetCooperativeLevel(WindowHandle window, int flags) override;
  int SetDisplayMode(int width, int height, int bits) override;
  int RestoreDisplayMode() override;
  std::unique_ptr<DisplaySurface> CreatePrimary(int backBufferCount) override;
  std::unique_ptr<DisplaySurface> CreateOffScreen(int width, int height) override;
  std::unique_ptr<DisplayPalette> CreatePalette(const PaletteEntry* entries) override;
  std::unique_ptr<DisplayClipper> CreateClipper() override;
  bool CanRestore() override { return !(failing & kRestore); }
  bool AllowLock(const DisplaySurface& surface) override;
  void OnShown(const DisplaySurface& primary, const Rect& rect) override;

  unsigned failing = 0;            ///< Step bits that fail
  std::vector<std::string> calls;  ///< what was asked, in order
  std::vector<Rect> shown;         ///< rectangles of the visible picture that changed
  /// Whether a display mode is set and not yet restored.
  bool modeSet = false;
};

}  // namespace oru
