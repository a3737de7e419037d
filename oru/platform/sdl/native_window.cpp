// Native windows over SDL video.
#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "oru/platform/sdl/sdl_events_internal.h"
#include "oru/platform/window_records_internal.h"

namespace oru {

struct NativeWindow : WindowRecord {
  std::uint32_t sdlId = 0;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool textureFresh = false;  // made since the last present: holds nothing yet
};

namespace {

// True when SDL_CreateRenderer's own choice is an OpenGL renderer: the first renderer it lists,
// unless SDL_RENDER_DRIVER names another.
bool OpenGlRendererFirst() {
  SDL_RendererInfo info;
  const char* wanted = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (wanted && *wanted) return SDL_strcasecmp(wanted, "opengl") == 0;
  return SDL_GetNumRenderDrivers() > 0 && SDL_GetRenderDriverInfo(0, &info) == 0 &&
         SDL_strcasecmp(info.name, "opengl") == 0;
}

// The renderer and the canvas's texture, made when the window is first shown or presented:
// making them (an OpenGL context, on X11 a window made anew for it) is the slowest step of
// opening a window, and the window can be on screen meanwhile. The first present then sends the
// whole canvas.
void EnsureRenderer(NativeWindow* w) {
  if (w->renderer) return;
  w->renderer = SDL_CreateRenderer(w->window, -1, 0);
  if (!w->renderer) w->renderer = SDL_CreateRenderer(w->window, -1, SDL_RENDERER_SOFTWARE);
  if (!w->renderer) return;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_Texture* texture =
      SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                        Canvas::kWidth, Canvas::kHeight);
  SDL_RenderSetLogicalSize(w->renderer, Canvas::kWidth, Canvas::kHeight);
  std::lock_guard canvasLock(w->canvas.Mutex());
  w->texture = texture;
  w->textureFresh = true;
}

constexpr int kDefaultWidth = Canvas::kWidth;
constexpr int kDefaultHeight = Canvas::kHeight;

using NativeWindows = WindowList<NativeWindow>;

NativeWindows& Windows() { return NativeWindows::Get(); }

NativeWindow* OpenWindow(WindowHandle handle) { return Windows().Open(handle); }

// Asks the window for its size limits and applies them. The default maximum is the usable area
// of the window's display.
void ApplySizeLimits(NativeWindow* w) {
  MinMaxInfo info{};
  SDL_Rect bounds{0, 0, 0, 0};
  const int display = SDL_GetWindowDisplayIndex(w->window);
  if (display < 0 || SDL_GetDisplayUsableBounds(display, &bounds) != 0 || bounds.w <= 0 ||
      bounds.h <= 0)
    bounds = {0, 0, 16384, 16384};
  info.maxSize = {bounds.w, bounds.h};
  info.maxPosition = {bounds.x, bounds.y};
  info.minTrackSize = {1, 1};
  info.maxTrackSize = {bounds.w, bounds.h};
  SendMessage(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));

  if (info.minTrackSize.x > 1 || info.minTrackSize.y > 1)
    SDL_SetWindowMinimumSize(w->window, std::max(info.minTrackSize.x, 1),
                             std::max(info.minTrackSize.y, 1));
  if (info.maxTrackSize.x > 0 && info.maxTrackSize.y > 0 &&
      (info.maxTrackSize.x < bounds.w || info.maxTrackSize.y < bounds.h)) {
    SDL_SetWindowMaximumSize(w->window, info.maxTrackSize.x, info.maxTrackSize.y);
    int width = 0, height = 0;
    SDL_GetWindowSize(w->window, &width, &height);
    if (width > info.maxTrackSize.x || height > info.maxTrackSize.y)
      SDL_SetWindowSize(w->window, std::min(width, info.maxTrackSize.x),
                        std::min(height, info.maxTrackSize.y));
  }
}

std::string& VideoFailureText() {
  static std::string* text = new std::string;
  return *text;
}

// What went wrong in words a player can act on.
std::string DescribeNoDisplay(const char* requested) {
  if (requested && *requested)
    return std::string("SDL_VIDEODRIVER=") + requested + ": " + SDL_GetError();
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!x11 || !*x11) && (!wayland || !*wayland)) return "DISPLAY is not set";
  std::string text = "the display ";
  text += (x11 && *x11) ? x11 : wayland;
  return text + " does not answer";
}

}  // namespace

bool IsUnrequestedHeadlessDriver(const char* driver, const char* requested) {
  if (!driver) return false;
  const std::string name = driver;
  if (name != "offscreen" && name != "dummy" && name != "evdev") return false;
  std::string list = requested ? requested : "";
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    if (SDL_strcasecmp(list.substr(start, end - start).c_str(), driver) == 0) return false;
    start = end + 1;
  }
  return true;
}

const char* VideoStartFailure() { return VideoFailureText().c_str(); }

bool StartVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  if (!StartEvents()) {
    VideoFailureText() = std::string("SDL cannot start: ") + SDL_GetError();
    return false;
  }
  // Also when another part of the program started SDL's events first.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    VideoFailureText() = DescribeNoDisplay(requested);
    return false;
  }
  if (IsUnrequestedHeadlessDriver(SDL_GetCurrentVideoDriver(), requested)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    VideoFailureText() = DescribeNoDisplay(nullptr);
    return false;
  }
  VideoFailureText().clear();
  // Keys must arrive as key events, not be taken by an input method.
  SDL_StopTextInput();
  return true;
}

bool RegisterWindowClass(const char* className, WindowProc proc) {
  if (!className || !proc) return false;
  NativeWindows& list = Windows();
  std::lock_guard lock(list.mutex);
  return list.classes.emplace(className, proc).second;
}

WindowHandle CreateNativeWindow(const char* className, const char* caption, std::uint32_t style,
                                int x, int y, int width, int height) {
  NativeWindows& list = Windows();
  const WindowProc proc = list.ClassProc(className);
  if (!proc) return nullptr;
  if (!StartVideo()) return nullptr;

  if (width == kUseDefault || width <= 0) width = kDefaultWidth;
  if (height == kUseDefault || height <= 0) height = kDefaultHeight;
  if (x == kUseDefault) x = SDL_WINDOWPOS_UNDEFINED;
  if (y == kUseDefault) y = SDL_WINDOWPOS_UNDEFINED;
  std::uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  // Made for OpenGL from the start when that is the renderer SDL will pick: an OpenGL renderer
  // on another window makes the window anew, and that window may be on screen by then.
  if (OpenGlRendererFirst()) flags |= SDL_WINDOW_OPENGL;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;

  auto record = std::make_unique<NativeWindow>();
  NativeWindow* w = record.get();
  w->proc = proc;
  w->style = style;
  w->window = SDL_CreateWindow(caption ? caption : "", x, y, width, height, flags);
  // A video driver without OpenGL (dummy, offscreen) refuses such a window.
  if (!w->window && (flags & SDL_WINDOW_OPENGL))
    w->window =
        SDL_CreateWindow(caption ? caption : "", x, y, width, height, flags & ~SDL_WINDOW_OPENGL);
  if (!w->window) return nullptr;
  w->sdlId = SDL_GetWindowID(w->window);
  w->canvas.windowId = w->sdlId;
  list.Add(std::move(record));

  ApplySizeLimits(w);
  if (SendMessage(w, WM_CREATE, 0, 0) == -1) {
    DestroyNativeWindow(w);
    return nullptr;
  }
  SDL_GetWindowSize(w->window, &width, &height);
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
  {
    // A thread converting into the canvas finishes before the texture goes.
    std::lock_guard canvasLock(w->canvas.Mutex());
    if (w->texture) SDL_DestroyTexture(w->texture);
    w->texture = nullptr;
  }
  if (w->renderer) SDL_DestroyRenderer(w->renderer);
  w->renderer = nullptr;
  SDL_DestroyWindow(w->window);
  w->window = nullptr;
  return true;
}

bool ShowNativeWindow(WindowHandle window, int showCommand) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  switch (showCommand) {
    case SW_HIDE:
      SDL_HideWindow(w->window);
      break;
    case SW_SHOWMAXIMIZED:
      // The limits may have changed since creation; maximising stays within them.
      ApplySizeLimits(w);
      SDL_ShowWindow(w->window);
      SDL_MaximizeWindow(w->window);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      SDL_ShowWindow(w->window);
      SDL_MinimizeWindow(w->window);
      break;
    case SW_RESTORE:
      SDL_ShowWindow(w->window);
      SDL_RestoreWindow(w->window);
      break;
    default:
      SDL_ShowWindow(w->window);
      break;
  }
  if (showCommand != SW_HIDE) EnsureRenderer(w);
  return true;
}

void UpdateNativeWindow(WindowHandle window) { SendMessage(window, WM_PAINT, 0, 0); }

bool SetWindowCaption(WindowHandle window, const char* caption) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  SDL_SetWindowTitle(w->window, caption ? caption : "");
  return true;
}

bool GetClientSize(WindowHandle window, int* width, int* height) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return false;
  int cw = 0, ch = 0;
  SDL_GetWindowSize(w->window, &cw, &ch);
  if (width) *width = cw;
  if (height) *height = ch;
  return true;
}

bool SetClientSize(WindowHandle window, int width, int height) {
  NativeWindow* w = OpenWindow(window);
  if (!w || width <= 0 || height <= 0) return false;
  SDL_SetWindowSize(w->window, width, height);
  return true;
}

WindowRecord* OpenWindowRecord(WindowHandle handle) { return OpenWindow(handle); }

WindowHandle MainNativeWindow() {
  return Windows().FirstOpen([](const NativeWindow&) { return true; });
}

WindowHandle WindowFromSdlId(std::uint32_t sdlWindowId) {
  return Windows().FirstOpen(
      [sdlWindowId](const NativeWindow& w) { return w.sdlId == sdlWindowId; });
}

SDL_Window* SdlWindowOf(WindowHandle window) {
  NativeWindow* w = OpenWindow(window);
  return w ? w->window : nullptr;
}

SDL_Renderer* SdlRendererOf(WindowHandle window) {
  NativeWindow* w = OpenWindow(window);
  if (w) EnsureRenderer(w);
  return w ? w->renderer : nullptr;
}

void PresentCanvas(WindowHandle window, bool whole) {
  NativeWindow* w = OpenWindow(window);
  if (!w) return;
  EnsureRenderer(w);
  if (!w->renderer || !w->texture) return;
  Rect r;
  if (!w->canvas.TakeChanged(whole || w->textureFresh, &r)) return;
  w->textureFresh = false;
  {
    std::lock_guard lock(w->canvas.Mutex());
    const SDL_Rect area{r.left, r.top, r.right - r.left, r.bottom - r.top};
    SDL_UpdateTexture(w->texture, &area, w->canvas.Pixels() + r.top * Canvas::kWidth + r.left,
                      Canvas::kWidth * 4);
  }
  SDL_SetRenderDrawColor(w->renderer, 0, 0, 0, 255);
  SDL_RenderClear(w->renderer);
  SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr);
  SDL_RenderPresent(w->renderer);
}

Point ClientPointOfSdlWindow(SDL_Window* window, int x, int y) {
  SDL_Renderer* renderer = window ? SDL_GetRenderer(window) : nullptr;
  int logicalWidth = 0, logicalHeight = 0, windowWidth = 0, windowHeight = 0;
  int outputWidth = 0, outputHeight = 0;
  if (renderer) SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
  if (window) SDL_GetWindowSize(window, &windowWidth, &windowHeight);
  if (!renderer || SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight) != 0 ||
      logicalWidth <= 0 || logicalHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) {
    return Point{x, y};
  }
  // The renderer's own placement of the logical picture: the larger scale that fits, a whole
  // number when integer scaling is on, centred with the remainder split on both sides.
  double scale = std::min(static_cast<double>(outputWidth) / logicalWidth,
                          static_cast<double>(outputHeight) / logicalHeight);
  if (SDL_RenderGetIntegerScale(renderer)) scale = std::max(1.0, std::floor(scale));
  const int left = static_cast<int>((outputWidth - logicalWidth * scale) / 2);
  const int top = static_cast<int>((outputHeight - logicalHeight * scale) / 2);
  // Window coordinates are points; the output is in pixels (they differ on dense screens).
  const double pixelX = static_cast<double>(x) * outputWidth / windowWidth;
  const double pixelY = static_cast<double>(y) * outputHeight / windowHeight;
  return Point{static_cast<int>(std::floor((pixelX - left) / scale)),
               static_cast<int>(std::floor((pixelY - top) / scale))};
}

}  // namespace oru
