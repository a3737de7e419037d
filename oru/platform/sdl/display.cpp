// The SDL back end of the full-screen display: desktop full screen with a 640 x 480 logical
// size, the visible picture shown through the window's canvas, and the active window.
#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "oru/platform/canvas.h"
#include "oru/platform/display.h"
#include "oru/platform/display_internal.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {

namespace {

class SdlDisplay : public Display {
 public:
  ~SdlDisplay() override {
    // Process exit: SDL may be gone already, so only the hook's target is dropped.
    if (current == this) current = nullptr;
  }

  int SetCooperativeLevel(WindowHandle window, int flags) override {
    if (flags != kExclusiveFullScreen) {
      if (!taken_) return 1;
      // The hook stays installed (it may be needed again, and at exit the hook list may
      // already be gone); it ignores events while no display has a window taken.
      if (current == this) current = nullptr;
      if (SDL_Window* w = SdlWindowOf(window_)) {
        SDL_SetWindowFullscreen(w, 0);
        if (savedMaxWidth_ > 0 && savedMaxHeight_ > 0)
          SDL_SetWindowMaximumSize(w, savedMaxWidth_, savedMaxHeight_);
        SDL_SetWindowSize(w, savedWidth_, savedHeight_);
        SDL_SetWindowPosition(w, savedX_, savedY_);
      }
      return Display::SetCooperativeLevel(window, flags);
    }
    SDL_Window* w = SdlWindowOf(window);
    if (!w) return 0;
    SDL_GetWindowPosition(w, &savedX_, &savedY_);
    SDL_GetWindowSize(w, &savedWidth_, &savedHeight_);
    // A window limited to its 640 x 480 client area cannot cover the screen; the limit comes
    // back with the window.
    SDL_GetWindowMaximumSize(w, &savedMaxWidth_, &savedMaxHeight_);
    SDL_SetWindowMaximumSize(w, 16384, 16384);
    if (SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      if (savedMaxWidth_ > 0 && savedMaxHeight_ > 0)
        SDL_SetWindowMaximumSize(w, savedMaxWidth_, savedMaxHeight_);
      return 0;
    }
    sdlId_ = SDL_GetWindowID(w);
    minimised_ = false;
    current = this;
    AddEventHook(&OnEvent);
    return Display::SetCooperativeLevel(window, flags);
  }

  int SetDisplayMode(int width, int height, int bits) override {
    SDL_Renderer* renderer = SdlRendererOf(window_);
    if (!taken_ || !renderer || bits != 8) return 0;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    if (SDL_RenderSetLogicalSize(renderer, width, height) != 0) return 0;
    SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
    modeWindow_ = window_;
    return Display::SetDisplayMode(width, height, bits);
  }

  int RestoreDisplayMode() override {
    // The window keeps its 640 x 480 logical size; only the whole-number scaling goes.
    if (SDL_Renderer* renderer = SdlRendererOf(modeWindow_))
      SDL_RenderSetIntegerScale(renderer, SDL_FALSE);
    modeWindow_ = nullptr;
    return Display::RestoreDisplayMode();
  }

  bool CanRestore() override { return !minimised_.load(); }

  // Game thread (under the owner's frame lock): the changed part of the picture goes into the
  // window's canvas, which the primary thread shows.
  void OnShown(const DisplaySurface& primary, const Rect& rect) override {
    ShowPictureOnCanvas(window_, primary, rect);
  }

 private:
  static void OnEvent(const SDL_Event& e) {
    SdlDisplay* self = current;
    if (!self || e.type != SDL_WINDOWEVENT || e.window.windowID != self->sdlId_) return;
    switch (e.window.event) {
      case SDL_WINDOWEVENT_MINIMIZED:
        self->minimised_ = true;
        self->MarkLost();
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        self->MarkLost();
        break;
      case SDL_WINDOWEVENT_RESTORED:
      case SDL_WINDOWEVENT_MAXIMIZED:
      case SDL_WINDOWEVENT_SHOWN:
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        self->minimised_ = false;
        break;
      default:
        break;
    }
  }

  static inline std::atomic<SdlDisplay*> current{nullptr};
  std::uint32_t sdlId_ = 0;
  std::atomic<bool> minimised_{false};
  WindowHandle modeWindow_ = nullptr;
  int savedX_ = 0, savedY_ = 0, savedWidth_ = 640, savedHeight_ = 480;
  int savedMaxWidth_ = 0, savedMaxHeight_ = 0;
};

}  // namespace

std::unique_ptr<Display> CreateSystemDisplay() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return nullptr;
  return std::make_unique<SdlDisplay>();
}

WindowHandle GetActiveWindow() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    if (SDL_Window* focus = SDL_GetKeyboardFocus())
      if (WindowHandle w = WindowFromSdlId(SDL_GetWindowID(focus))) return w;
  }
  return MainNativeWindow();
}

}  // namespace oru
