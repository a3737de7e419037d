// Window objects, the routing procedure and the dispatcher.
#include "oru/shell/window.h"

#include <atomic>

#include "oru/platform/event_loop.h"
#include "oru/platform/native_window.h"
#include "oru/shell/application.h"
#include "oru/shell/window_registry_internal.h"

namespace oru {
namespace {

std::atomic<DefaultWindowProc> defaultProc{nullptr};

MessageResult DefaultProcessing(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam) {
  DefaultWindowProc proc = defaultProc.load(std::memory_order_acquire);
  return proc ? proc(window, message, wParam, lParam)
              : DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

DefaultWindowProc SetDefaultWindowProc(DefaultWindowProc proc) {
  return defaultProc.exchange(proc, std::memory_order_acq_rel);
}

Window::Window() = default;

Window::~Window() { TheWindowRegistry().Remove(this); }

bool Window::OnCreate() { return true; }
bool Window::PreCreate(CreateRecord*) { return true; }
void Window::OnMouseMove(WParam, const Point*) { callDefault = 1; }
void Window::OnPaint() { callDefault = 1; }
void Window::OnKeyUp(WParam, LParam, int) { callDefault = 1; }
void Window::OnKeyDown(WParam, LParam, int) { callDefault = 1; }
void Window::OnChar(WParam, LParam, int) { callDefault = 1; }
void Window::OnGetMinMaxInfo(MinMaxInfo*) { callDefault = 1; }
void Window::OnClose() { callDefault = 1; }
void Window::OnSetCursor(WindowHandle, unsigned, unsigned) { callDefault = 1; }
void Window::OnActivate(unsigned, WindowHandle, unsigned) { callDefault = 1; }
void Window::OnDropFiles(WParam) { callDefault = 1; }

WindowHandle Window::Create(const char* className, const char* caption, std::uint32_t style) {
  if (handle) return handle;
  CreateRecord record{};
  if (!className) {
    // Registering again changes nothing, so every default-class window simply asks.
    RegisterWindowClass(kDefaultWindowClass, &RoutingWindowProc);
    className = kDefaultWindowClass;
  }
  record.className = className;
  record.style = style ? style : kDefaultWindowStyle;
  PreCreate(&record);
  // Registered before the native window exists: the messages sent while it is being created
  // find this object as the current one.
  TheWindowRegistry().Add(this);
  handle = CreateNativeWindow(record.className, caption, record.style, kUseDefault, kUseDefault,
                              kUseDefault, kUseDefault);
  return handle;
}

MessageResult RoutingWindowProc(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam) {
  WindowRegistry& registry = TheWindowRegistry();
  Window* target = registry.FindByHandle(window);
  if (!target) target = registry.Current();
  if (!target) return DefaultProcessing(window, message, wParam, lParam);
  return target->HandleMessage(window, message, wParam, lParam);
}

MessageResult Window::HandleMessage(WindowHandle window, unsigned message, WParam wParam,
                                    LParam lParam) {
  callDefault = 0;
  switch (message) {
    case WM_DESTROY: {
      Application* app = CurrentApplication();
      if (app && app->MainWindow() == this) PostQuitMessage(0);
      return 0;
    }
    case WM_ACTIVATE:
      OnActivate(LowWord(wParam), reinterpret_cast<WindowHandle>(lParam), HighWord(wParam));
      break;
    case WM_PAINT:
      OnPaint();
      break;
    case WM_CLOSE:
      OnClose();
      break;
    case WM_SETCURSOR:
      OnSetCursor(reinterpret_cast<WindowHandle>(wParam),
                  LowWord(static_cast<std::uintptr_t>(lParam)),
                  HighWord(static_cast<std::uintptr_t>(lParam)));
      break;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(reinterpret_cast<MinMaxInfo*>(lParam));
      break;
    case WM_KEYDOWN:
      OnKeyDown(wParam, lParam, 0);
      break;
    case WM_KEYUP:
      OnKeyUp(wParam, lParam, 0);
      break;
    case WM_CHAR:
      OnChar(wParam, lParam, 0);
      break;
    case WM_MOUSEMOVE: {
      // Unsigned words: a pointer left of or above the client area gives large positive values.
      const Point point{LowWord(static_cast<std::uintptr_t>(lParam)),
                        HighWord(static_cast<std::uintptr_t>(lParam))};
      OnMouseMove(wParam, &point);
      break;
    }
    case WM_DROPFILES:
      OnDropFiles(wParam);
      break;
    default:
      callDefault = 1;
      break;
  }
  if (callDefault) return DefaultProcessing(window, message, wParam, lParam);
  return 0;
}

}  // namespace oru
