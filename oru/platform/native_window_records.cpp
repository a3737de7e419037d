// The native-window calls that need only a window's record (its procedure, styles and canvas), the
// same on every system.
#include <utility>

#include "oru/platform/native_window.h"
#include "oru/platform/window_records_internal.h"

namespace oru {

MessageResult DefWindowProc(WindowHandle window, unsigned message, WParam, LParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyNativeWindow(window);
      return 0;
    case WM_PAINT:
      PresentCanvas(window, true);
      return 0;
    default:
      return 0;
  }
}

MessageResult SendMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  WindowRecord* w = OpenWindowRecord(window);
  if (!w) return 0;
  return w->proc(window, message, wParam, lParam);
}

bool IsNativeWindow(WindowHandle window) { return OpenWindowRecord(window) != nullptr; }

namespace {

// The open window's style or extended style, or null.
std::uint32_t* StyleOf(WindowHandle window, std::uint32_t WindowRecord::*field) {
  WindowRecord* w = OpenWindowRecord(window);
  return w ? &(w->*field) : nullptr;
}

std::uint32_t GetStyle(WindowHandle window, std::uint32_t WindowRecord::*field) {
  const std::uint32_t* style = StyleOf(window, field);
  return style ? *style : 0;
}

std::uint32_t SetStyle(WindowHandle window, std::uint32_t WindowRecord::*field,
                       std::uint32_t value) {
  std::uint32_t* style = StyleOf(window, field);
  return style ? std::exchange(*style, value) : 0;
}

}  // namespace

std::uint32_t GetWindowStyle(WindowHandle window) { return GetStyle(window, &WindowRecord::style); }

std::uint32_t SetWindowStyle(WindowHandle window, std::uint32_t style) {
  return SetStyle(window, &WindowRecord::style, style);
}

std::uint32_t GetWindowExStyle(WindowHandle window) {
  return GetStyle(window, &WindowRecord::exStyle);
}

std::uint32_t SetWindowExStyle(WindowHandle window, std::uint32_t exStyle) {
  return SetStyle(window, &WindowRecord::exStyle, exStyle);
}

bool AdjustWindowRect(Rect* rect, std::uint32_t, bool) { return rect != nullptr; }

Canvas* CanvasOf(WindowHandle window) {
  WindowRecord* w = OpenWindowRecord(window);
  return w ? &w->canvas : nullptr;
}

}  // namespace oru
