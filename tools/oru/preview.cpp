// The preview window shared by the commands that show a surface.
#include <cstdio>
#include <string>

#include "oru/platform/canvas.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "tools/oru/preview.h"

namespace oru::tool {
namespace {

MessageResult PreviewProc(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    DestroyNativeWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

int ShowInWindow(Surface& surface, const std::string& caption, const char* command) {
  if (!StartVideo()) {
    std::fprintf(stderr, "oru %s: no display could be opened (%s); use --out FILE.ppm\n", command,
                 VideoStartFailure());
    return 1;
  }
  RegisterWindowClass("ORUPREVIEW", &PreviewProc);
  WindowHandle window =
      CreateNativeWindow("ORUPREVIEW", caption.c_str(), WS_OVERLAPPEDWINDOW, kUseDefault,
                         kUseDefault, Canvas::kWidth, Canvas::kHeight);
  if (window == nullptr) {
    std::fprintf(stderr, "oru %s: cannot open a window\n", command);
    return 1;
  }
  surface.PresentTo(CanvasOf(window), 0, 0, surface.Width(), surface.Height(), 0, 0);
  ShowNativeWindow(window, SW_SHOWNORMAL);
  UpdateNativeWindow(window);
  MessageRecord message;
  while (GetMessage(&message)) {
    TranslateMessage(message);
    DispatchMessage(message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace oru::tool
