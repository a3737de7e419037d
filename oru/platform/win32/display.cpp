// The Win32 back end of the full-screen display. Exclusive 8-bit display modes are emulated on
// current Windows and absent under Wine, so full screen is a borderless window over the whole
// monitor that shows the 640 x 480 picture at the largest whole-number scale, centred on black,
// as the Linux back end does.
#include <atomic>
#include <memory>

#include "oru/platform/display.h"
#include "oru/platform/display_internal.h"
#include "oru/platform/native_window.h"
#include "oru/platform/win32/win32_window_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

class Win32Display : public Display {
 public:
  ~Win32Display() override {
    if (current == this) current = nullptr;
  }

  int SetCooperativeLevel(WindowHandle window, int flags) override {
    if (flags != kExclusiveFullScreen) {
      if (!taken_) return 1;
      if (current == this) current = nullptr;
      if (HWND hwnd = HwndOf(window_)) {
        SetWindowLongPtrW(hwnd, GWL_STYLE, savedStyle_);
        SetWindowLongPtrW(hwnd, GWL_EXSTYLE, savedExStyle_);
        SetWindowPlacement(hwnd, &savedPlacement_);
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED | SWP_NOACTIVATE);
      }
      return Display::SetCooperativeLevel(window, flags);
    }
    HWND hwnd = HwndOf(window);
    if (!hwnd) return 0;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return 0;
    savedPlacement_.length = sizeof savedPlacement_;
    if (!GetWindowPlacement(hwnd, &savedPlacement_)) return 0;
    savedStyle_ = GetWindowLongPtrW(hwnd, GWL_STYLE);
    savedExStyle_ = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE, (savedStyle_ & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    const RECT& r = monitor.rcMonitor;
    if (!SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                      SWP_FRAMECHANGED | SWP_SHOWWINDOW)) {
      SetWindowLongPtrW(hwnd, GWL_STYLE, savedStyle_);
      SetWindowPlacement(hwnd, &savedPlacement_);
      return 0;
    }
    minimised_ = false;
    current = this;
    SetActivationHook(&OnActivation);
    return Display::SetCooperativeLevel(window, flags);
  }

  int SetDisplayMode(int width, int height, int bits) override {
    if (!taken_ || !HwndOf(window_) || bits != 8 || width != 640 || height != 480) return 0;
    SetIntegerScale(window_, true);
    modeWindow_ = window_;
    return Display::SetDisplayMode(width, height, bits);
  }

  int RestoreDisplayMode() override {
    SetIntegerScale(modeWindow_, false);
    modeWindow_ = nullptr;
    return Display::RestoreDisplayMode();
  }

  bool CanRestore() override { return !minimised_.load(); }

  void OnShown(const DisplaySurface& primary, const Rect& rect) override {
    ShowPictureOnCanvas(window_, primary, rect);
  }

 private:
  static void OnActivation(WindowHandle window, bool active, bool minimised) {
    Win32Display* self = current;
    if (!self || window != self->window_) return;
    if (minimised) {
      self->minimised_ = true;
      self->MarkLost();
    } else if (!active) {
      self->MarkLost();
    } else {
      self->minimised_ = false;
    }
  }

  static inline std::atomic<Win32Display*> current{nullptr};
  std::atomic<bool> minimised_{false};
  WindowHandle modeWindow_ = nullptr;
  WINDOWPLACEMENT savedPlacement_{};
  LONG_PTR savedStyle_ = 0;
  LONG_PTR savedExStyle_ = 0;
};

}  // namespace

std::unique_ptr<Display> CreateSystemDisplay() {
  if (PrimaryThreadId() == 0) return nullptr;
  return std::make_unique<Win32Display>();
}

WindowHandle GetActiveWindow() {
  if (WindowHandle w = WindowFromHwnd(::GetActiveWindow())) return w;
  return MainNativeWindow();
}

}  // namespace oru
