// FakeDisplay: the test display, which records its calls and fails the steps it is told to.
#include "oru/platform/fake_display.h"

#include <string>

namespace oru {

int FakeDisplay::SetCooperativeLevel(WindowHandle window, int flags) {
  calls.push_back("cooperative " + std::to_string(flags));
  if (flags == kExclusiveFullScreen && (failing & kCooperativeLevel)) return 0;
  return Display::SetCooperativeLevel(window, flags);
}

int FakeDisplay::SetDisplayMode(int width, int height, int bits) {
  calls.push_back("mode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                  std::to_string(bits));
  if (failing & kDisplayMode) return 0;
  const int ok = Display::SetDisplayMode(width, height, bits);
  modeSet = ok != 0;
  return ok;
}

int FakeDisplay::RestoreDisplayMode() {
  calls.push_back("restore mode");
  modeSet = false;
  return Display::RestoreDisplayMode();
}

std::unique_ptr<DisplaySurface> FakeDisplay::CreatePrimary(int backBufferCount) {
  calls.push_back("primary");
  if (failing & kPrimary) return nullptr;
  return Display::CreatePrimary((failing & kBackBuffer) ? 0 : backBufferCount);
}

std::unique_ptr<DisplaySurface> FakeDisplay::CreateOffScreen(int width, int height) {
  calls.push_back("off-screen " + std::to_string(width) + "x" + std::to_string(height));
  if (failing & kOffScreen) return nullptr;
  return Display::CreateOffScreen(width, height);
}

std::unique_ptr<DisplayPalette> FakeDisplay::CreatePalette(const PaletteEntry* entries) {
  calls.push_back("palette");
  if (failing & kPalette) return nullptr;
  return Display::CreatePalette(entries);
}

std::unique_ptr<DisplayClipper> FakeDisplay::CreateClipper() {
  calls.push_back("clipper");
  if (failing & kClipper) return nullptr;
  return Display::CreateClipper();
}

bool FakeDisplay::AllowLock(const DisplaySurface& surface) {
  if (surface.GetKind() == DisplaySurface::kBackBuffer) return !(failing & kLockBackBuffer);
  if (surface.GetKind() == DisplaySurface::kOffScreen) return !(failing & kLockOffScreen);
  return true;
}

void FakeDisplay::OnShown(const DisplaySurface& /*primary*/, const Rect& rect) {
  shown.push_back(rect);
}
}  // namespace oru
