// Native windows over USER and GDI: a registered class per window class, the system window's
// procedure turned into the library's messages, and the canvas kept in a 32-bit DIB section that
// is copied (scaled and centred) to the client area.
#include "oru/platform/native_window.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "oru/platform/keystate.h"
#include "oru/platform/message_queue_internal.h"
#include "oru/platform/mouse.h"
#include "oru/platform/win32/win32_window_internal.h"
#include "oru/platform/window_records_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {

struct NativeWindow : WindowRecord {
  HWND hwnd = nullptr;
  bool integerScale = false;
  // The shown picture: the canvas's pixels copied into a DIB section selected into a memory DC.
  HDC memoryDc = nullptr;
  HBITMAP picture = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  std::uint32_t* pictureBits = nullptr;
};

namespace {

constexpr int kDefaultWidth = Canvas::kWidth;
constexpr int kDefaultHeight = Canvas::kHeight;

using NativeWindows = WindowList<NativeWindow>;

NativeWindows& Windows() { return NativeWindows::Get(); }

NativeWindow* OpenWindow(WindowHandle handle) { return Windows().Open(handle); }

std::atomic<ActivationHook> activationHook{nullptr};

// The last dropped file's name, in UTF-8. Primary thread.
std::string droppedFile;
std::atomic<unsigned long> primaryThreadId{0};

// The frame the system adds around a client area of this style.
RECT FrameOf(HWND hwnd) {
  RECT r{0, 0, 0, 0};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return r;
}

// The size limits in client sizes, as the window's procedure gives them, for the system's
// window-sized ones.
void AskSizeLimits(NativeWindow* w, MINMAXINFO* system) {
  const RECT frame = FrameOf(w->hwnd);
  const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
  MinMaxInfo info{};
  info.maxSize = {system->ptMaxSize.x - frameWidth, system->ptMaxSize.y - frameHeight};
  info.maxPosition = {system->ptMaxPosition.x, system->ptMaxPosition.y};
  info.minTrackSize = {1, 1};
  info.maxTrackSize = {system->ptMaxTrackSize.x - frameWidth,
                       system->ptMaxTrackSize.y - frameHeight};
  const MinMaxInfo asked = info;
  w->proc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));
  if (info.minTrackSize.x != asked.minTrackSize.x || info.minTrackSize.y != asked.minTrackSize.y) {
    system->ptMinTrackSize.x = std::max(info.minTrackSize.x, 1) + frameWidth;
    system->ptMinTrackSize.y = std::max(info.minTrackSize.y, 1) + frameHeight;
  }
  if (info.maxTrackSize.x != asked.maxTrackSize.x || info.maxTrackSize.y != asked.maxTrackSize.y) {
    system->ptMaxTrackSize.x = std::max(info.maxTrackSize.x, 1) + frameWidth;
    system->ptMaxTrackSize.y = std::max(info.maxTrackSize.y, 1) + frameHeight;
    // Maximising stays within the limits too.
    system->ptMaxSize.x = std::min(system->ptMaxSize.x, system->ptMaxTrackSize.x);
    system->ptMaxSize.y = std::min(system->ptMaxSize.y, system->ptMaxTrackSize.y);
  }
}

// Key data's physical key: the scan code, and bit 8 for the extended keys.
int KeyNumberOf(LPARAM lParam) {
  return static_cast<int>(((lParam >> 16) & 0xFF) | (((lParam >> 24) & 1) << 8));
}

// The side-specific code the key flags keep for Shift, Control and Alt.
int SideSpecific(WPARAM vk, LPARAM lParam) {
  const bool extended = ((lParam >> 24) & 1) != 0;
  switch (vk) {
    case VK_SHIFT:
      return static_cast<int>(
          MapVirtualKeyW(static_cast<UINT>((lParam >> 16) & 0xFF), MAPVK_VSC_TO_VK_EX));
    case VK_CONTROL:
      return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU:
      return extended ? VK_RMENU : VK_LMENU;
    default:
      return static_cast<int>(vk);
  }
}

// Mouse positions travel as two signed 16-bit words in the system's messages and as two
// unsigned ones in the library's.
int SignedLow(LPARAM v) { return static_cast<short>(v & 0xFFFF); }
int SignedHigh(LPARAM v) { return static_cast<short>((v >> 16) & 0xFFFF); }

LParam PicturePointParam(WindowHandle window, LPARAM lParam) {
  const Point p = PicturePointOf(window, SignedLow(lParam), SignedHigh(lParam));
  return MakeLParam(static_cast<std::uint16_t>(p.x), static_cast<std::uint16_t>(p.y));
}

LRESULT KeyMessage(NativeWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  // Alt+F4 closes the window as the system's default processing does.
  if (message == WM_SYSKEYDOWN && wParam == VK_F4)
    return DefWindowProcW(w->hwnd, message, wParam, lParam);
  const int vk = RecordKeyEvent(KeyNumberOf(lParam), SideSpecific(wParam, lParam), down);
  if (vk != 0)
    QueueTranslated({w, down ? static_cast<unsigned>(WM_KEYDOWN) : static_cast<unsigned>(WM_KEYUP),
                     static_cast<WParam>(vk), static_cast<LParam>(lParam & 0xFFFFFFFF)});
  return 0;
}

LRESULT ButtonMessage(NativeWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      SetKeyState(VK_LBUTTON, message == WM_LBUTTONDOWN);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      SetKeyState(VK_RBUTTON, message == WM_RBUTTONDOWN);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      SetKeyState(VK_MBUTTON, message == WM_MBUTTONDOWN);
      break;
    default:
      break;
  }
  QueueTranslated({w, message, static_cast<WParam>(wParam), PicturePointParam(w, lParam)});
  return 0;
}

LRESULT CALLBACK SystemWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* w = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Before the record is attached (the system's own creation messages) and after it is gone.
  if (!w || !w->open) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      EndPaint(hwnd, &paint);
      QueueTranslated({w, WM_PAINT, 0, 0});
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the picture and its black margins cover the whole client area
    case WM_CLOSE:
      // The window's procedure decides, as it does for a close from the keyboard.
      QueueTranslated({w, WM_CLOSE, 0, 0});
      return 0;
    case WM_ACTIVATE: {
      const bool active = LOWORD(wParam) != WA_INACTIVE;
      const bool minimised = HIWORD(wParam) != 0;
      // No key-up messages follow for keys held while the focus goes.
      if (!active) ClearKeyState();
      if (ActivationHook hook = activationHook.load()) hook(w, active, minimised);
      QueueTranslated({w, WM_ACTIVATE, static_cast<WParam>(wParam), 0});
      return 0;
    }
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        if (ActivationHook hook = activationHook.load()) hook(w, false, true);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      QueueTranslated({w, WM_SIZE, 0, static_cast<LParam>(lParam & 0xFFFFFFFF)});
      return 0;
    case WM_GETMINMAXINFO:
      AskSizeLimits(w, reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      QueueTranslated(
          {w, WM_SETCURSOR, reinterpret_cast<WParam>(w), static_cast<LParam>(lParam & 0xFFFFFFFF)});
      SetCursor(IsSystemCursorShown() ? LoadCursorW(nullptr, IDC_ARROW) : nullptr);
      return TRUE;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      return KeyMessage(w, message, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return ButtonMessage(w, message, wParam, lParam);
    case kShowCanvasMessage:
      PresentCanvas(w, false);
      return 0;
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
      std::wstring name(length + 1, L'\0');
      const bool got = length > 0 && DragQueryFileW(drop, 0, name.data(), length + 1) == length;
      DragFinish(drop);
      if (!got) return 0;
      name.resize(length);
      // The name stays valid until the next drop.
      droppedFile = win32::Narrow(name.c_str());
      QueueTranslated({w, WM_DROPFILES, reinterpret_cast<WParam>(droppedFile.c_str()), 0});
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void FreePicture(NativeWindow* w) {
  if (w->memoryDc) {
    SelectObject(w->memoryDc, w->previousBitmap);
    DeleteDC(w->memoryDc);
  }
  if (w->picture) DeleteObject(w->picture);
  w->memoryDc = nullptr;
  w->picture = nullptr;
  w->pictureBits = nullptr;
}

bool MakePicture(NativeWindow* w) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Canvas::kWidth;
  info.bmiHeader.biHeight = -Canvas::kHeight;  // top row first, as the canvas keeps it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  w->memoryDc = CreateCompatibleDC(nullptr);
  w->picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!w->memoryDc || !w->picture || !bits) {
    FreePicture(w);
    return false;
  }
  w->previousBitmap = SelectObject(w->memoryDc, w->picture);
  w->pictureBits = static_cast<std::uint32_t*>(bits);
  return true;
}

}  // namespace

unsigned long PrimaryThreadId() { return primaryThreadId.load(std::memory_order_acquire); }

const char* VideoStartFailure() { return ""; }

bool StartVideo() {
  if (primaryThreadId.load(std::memory_order_acquire) != 0) return true;
  // The thread's message queue exists from its first look at it; posts to it work from then on.
  MSG m;
  PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  primaryThreadId.store(GetCurrentThreadId(), std::memory_order_release);
  MarkMessageLoopReady();
  return true;
}

bool RegisterWindowClass(const char* className, WindowProc proc) {
  if (!className || !proc) return false;
  NativeWindows& list = Windows();
  std::lock_guard lock(list.mutex);
  if (list.classes.count(className)) return false;
  const std::wstring name = win32::Widen(className);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &SystemWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = name.c_str();
  // A class the system already has under this name (another copy of the library in the
  // process) is used as it is.
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  list.classes.emplace(className, proc);
  return true;
}

WindowHandle CreateNativeWindow(const char* className, const char* caption, std::uint32_t style,
                                int x, int y, int width, int height) {
  NativeWindows& list = Windows();
  const WindowProc proc = list.ClassProc(className);
  if (!proc) return nullptr;
  if (!StartVideo()) return nullptr;
  if (width == kUseDefault || width <= 0) width = kDefaultWidth;
  if (height == kUseDefault || height <= 0) height = kDefaultHeight;

  // The library's style bits are the system's; the window is made hidden, with a frame that
  // the system draws around the client size asked for.
  const DWORD systemStyle = (style & ~WS_VISIBLE) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  RECT r{0, 0, width, height};
  ::AdjustWindowRectEx(&r, systemStyle, FALSE, 0);
  auto record = std::make_unique<NativeWindow>();
  NativeWindow* w = record.get();
  w->proc = proc;
  w->style = style;
  if (!MakePicture(w)) return nullptr;
  w->hwnd = CreateWindowExW(0, win32::Widen(className).c_str(), win32::Widen(caption).c_str(),
                            systemStyle, x == kUseDefault ? CW_USEDEFAULT : x,
                            y == kUseDefault ? CW_USEDEFAULT : y, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!w->hwnd) {
    FreePicture(w);
    return nullptr;
  }
  w->canvas.windowId = reinterpret_cast<std::uintptr_t>(w->hwnd);
  list.Add(std::move(record));
  SetWindowLongPtrW(w->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  DragAcceptFiles(w->hwnd, TRUE);

  // The procedure sees the limits, its creation and its size before the caller has the handle,
  // as it does on every system.
  MINMAXINFO limits{};
  RECT work{0, 0, 16384, 16384};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  limits.ptMaxSize = {work.right - work.left, work.bottom - work.top};
  limits.ptMaxPosition = {work.left, work.top};
  limits.ptMaxTrackSize = limits.ptMaxSize;
  AskSizeLimits(w, &limits);
  const RECT frame = FrameOf(w->hwnd);
  const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
  if (width + frameWidth > limits.ptMaxTrackSize.x ||
      height + frameHeight > limits.ptMaxTrackSize.y)
    SetClientSize(w, std::min<int>(width, limits.ptMaxTrackSize.x - frameWidth),
                  std::min<int>(height, limits.ptMaxTrackSize.y - frameHeight));
  if (SendMessage(w, WM_CREATE, 0, 0) == -1) {
    DestroyNativeWindow(w);
    return nullptr;
  }
  GetClientSize(w, &width, &height);
  SendMessage(w, WM_SIZE, 0,
              MakeLParam(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)));
  return w;
}

bool DestroyNativeWindow(WindowHandle handle) {
  NativeWindow* w = OpenWindow(handle);
  if (!w || w->destroying) return false;
  w->destroying = true;
  SendMessage(w, WM_DESTROY, 0, 0);
  Windows().Close(w);
  SetWindowLongPtrW(w->hwnd, GWLP_USERDATA, 0);
  DestroyWindow(w->hwnd);
  {
    // A thread converting into the canvas finishes before the picture goes.
    std::lock_guard canvasLock(w->canvas.Mutex());
    FreePicture(w);
  }
  w->hwnd = nullptr;
  return true;
}

bool ShowNativeWindow(WindowHandle window, int showCommand) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  // The library's show commands are the system's.
  ShowWindow(w->hwnd, showCommand);
  if (showCommand != SW_HIDE) UpdateWindow(w->hwnd);
  return true;
}

void UpdateNativeWindow(WindowHandle window) { SendMessage(window, WM_PAINT, 0, 0); }

bool SetWindowCaption(WindowHandle window, const char* caption) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  return SetWindowTextW(w->hwnd, win32::Widen(caption).c_str()) != 0;
}

bool GetClientSize(WindowHandle window, int* width, int* height) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  RECT r{0, 0, 0, 0};
  GetClientRect(w->hwnd, &r);
  if (width) *width = r.right - r.left;
  if (height) *height = r.bottom - r.top;
  return true;
}

bool SetClientSize(WindowHandle window, int width, int height) {
  NativeWindow* w = OpenWindow(window);
  if (!w || width <= 0 || height <= 0) return false;
  const RECT frame = FrameOf(w->hwnd);
  return SetWindowPos(w->hwnd, nullptr, 0, 0, width + frame.right - frame.left,
                      height + frame.bottom - frame.top,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

WindowRecord* OpenWindowRecord(WindowHandle handle) { return OpenWindow(handle); }

WindowHandle MainNativeWindow() {
  return Windows().FirstOpen([](const NativeWindow&) { return true; });
}

HWND HwndOf(WindowHandle window) {
  NativeWindow* w = OpenWindow(window);
  return w ? w->hwnd : nullptr;
}

WindowHandle WindowFromHwnd(HWND hwnd) {
  if (!hwnd) return nullptr;
  return Windows().FirstOpen([hwnd](const NativeWindow& w) { return w.hwnd == hwnd; });
}

void SetIntegerScale(WindowHandle window, bool integerScale) {
  if (NativeWindow* w = OpenWindow(window)) {
    w->integerScale = integerScale;
    InvalidateRect(w->hwnd, nullptr, FALSE);
  }
}

PicturePlacement PlacementOf(WindowHandle window) {
  int width = 0, height = 0;
  NativeWindow* w = OpenWindow(window);
  if (!w || !GetClientSize(w, &width, &height) || width <= 0 || height <= 0) return {};
  double scale = std::min(static_cast<double>(width) / Canvas::kWidth,
                          static_cast<double>(height) / Canvas::kHeight);
  if (w->integerScale) scale = std::max(1.0, std::floor(scale));
  return {static_cast<int>((width - Canvas::kWidth * scale) / 2),
          static_cast<int>((height - Canvas::kHeight * scale) / 2), scale};
}

Point PicturePointOf(WindowHandle window, int x, int y) {
  const PicturePlacement p = PlacementOf(window);
  return Point{static_cast<int>(std::floor((x - p.left) / p.scale)),
               static_cast<int>(std::floor((y - p.top) / p.scale))};
}

void SetActivationHook(ActivationHook hook) { activationHook.store(hook); }
ActivationHook CurrentActivationHook() { return activationHook.load(); }

void PresentCanvas(WindowHandle window, bool whole) {
  NativeWindow* w = OpenWindow(window);
  if (!w || !w->pictureBits) return;
  Rect r;
  if (w->canvas.TakeChanged(whole, &r)) {
    std::lock_guard lock(w->canvas.Mutex());
    // The canvas's 0x00RRGGBB is the DIB's own 32-bit layout.
    for (int y = r.top; y < r.bottom; ++y)
      std::copy(w->canvas.Pixels() + y * Canvas::kWidth + r.left,
                w->canvas.Pixels() + y * Canvas::kWidth + r.right,
                w->pictureBits + y * Canvas::kWidth + r.left);
    GdiFlush();
  }
  HDC dc = GetDC(w->hwnd);
  if (!dc) return;
  RECT client{0, 0, 0, 0};
  GetClientRect(w->hwnd, &client);
  const PicturePlacement p = PlacementOf(w);
  const int shownWidth = static_cast<int>(Canvas::kWidth * p.scale);
  const int shownHeight = static_cast<int>(Canvas::kHeight * p.scale);
  // The margins around the picture, black.
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT margins[] = {{0, 0, client.right, p.top},
                          {0, p.top + shownHeight, client.right, client.bottom},
                          {0, p.top, p.left, p.top + shownHeight},
                          {p.left + shownWidth, p.top, client.right, p.top + shownHeight}};
  for (const RECT& m : margins)
    if (m.right > m.left && m.bottom > m.top) FillRect(dc, &m, black);
  if (shownWidth == Canvas::kWidth && shownHeight == Canvas::kHeight) {
    BitBlt(dc, p.left, p.top, Canvas::kWidth, Canvas::kHeight, w->memoryDc, 0, 0, SRCCOPY);
  } else {
    // Nearest sampling: the pixels stay sharp squares.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, p.left, p.top, shownWidth, shownHeight, w->memoryDc, 0, 0, Canvas::kWidth,
               Canvas::kHeight, SRCCOPY);
  }
  ReleaseDC(w->hwnd, dc);
}

bool PostShowRequest(std::uintptr_t windowId) {
  return PostMessageW(reinterpret_cast<HWND>(windowId), kShowCanvasMessage, 0, 0) != 0;
}

}  // namespace oru
