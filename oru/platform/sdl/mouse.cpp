// Pointer position and the emulated show counter of the system cursor, over SDL.
#include "oru/platform/mouse.h"

#include <SDL.h>

#include <atomic>

#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {
namespace {

std::atomic<CursorPosSource> cursorPosSource{nullptr};
std::atomic<int> showCounter{0};

bool SdlCursorPos(Point* position) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  int x = 0;
  int y = 0;
  SDL_GetMouseState(&x, &y);
  // The position is relative to the window that last had the pointer; with none known, the
  // main window's placement is the best guess.
  SDL_Window* window = SDL_GetMouseFocus();
  if (!window) window = SdlWindowOf(MainNativeWindow());
  *position = ClientPointOfSdlWindow(window, x, y);
  return true;
}

void ApplyToSystemCursor(bool shown) {
  // Without a video driver (tests) there is no system cursor to switch.
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace

bool GetCursorPos(Point* position) {
  if (!position) return false;
  CursorPosSource source = cursorPosSource.load(std::memory_order_acquire);
  return source ? source(position) : SdlCursorPos(position);
}

bool ScreenToClient(WindowHandle, Point* position) { return position != nullptr; }

int ShowCursor(bool show) {
  const int before = showCounter.fetch_add(show ? 1 : -1, std::memory_order_acq_rel);
  const int after = before + (show ? 1 : -1);
  if ((before >= 0) != (after >= 0)) ApplyToSystemCursor(after >= 0);
  return after;
}

bool IsSystemCursorShown() { return showCounter.load(std::memory_order_acquire) >= 0; }

CursorPosSource SetCursorPosSource(CursorPosSource source) {
  return cursorPosSource.exchange(source, std::memory_order_acq_rel);
}

void ResetCursorCounterForTesting() {
  const int before = showCounter.exchange(0, std::memory_order_acq_rel);
  if (before < 0) ApplyToSystemCursor(true);
}

}  // namespace oru
