// The pointer's position and the system cursor, over SDL.
#include "oru/platform/system_cursor_internal.h"

#include <SDL.h>

#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {

bool SystemCursorPos(Point* position) {
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

}  // namespace oru
