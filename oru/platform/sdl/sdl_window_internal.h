// What the SDL back end's files share about windows and events: the SDL objects behind a window,
// the raw event hooks and the translation of SDL events into window messages.
#pragma once

#include <cstdint>

#include "oru/platform/event_loop.h"
#include "oru/platform/messages.h"

struct SDL_Window;
struct SDL_Renderer;
union SDL_Event;

namespace oru {

// The window with this SDL window id, or null.
WindowHandle WindowFromSdlId(std::uint32_t sdlWindowId);

// The SDL objects behind a window, for the display code (null for a window that is not open).
SDL_Window* SdlWindowOf(WindowHandle window);
SDL_Renderer* SdlRendererOf(WindowHandle window);

// A pointer position in SDL's window coordinates turned into the client coordinates the game
// draws in: the window shows the 640 x 480 picture scaled and centred (in full screen, on a
// larger screen), so the same scale and offset are taken off. Unchanged for a window without
// a renderer. Positions outside the picture map outside 0..639 and 0..479.
Point ClientPointOfSdlWindow(SDL_Window* window, int x, int y);

// Whether driver is one that shows nothing and was not asked for by requested (the value of
// SDL_VIDEODRIVER, a comma-separated list of driver names, or null).
bool IsUnrequestedHeadlessDriver(const char* driver, const char* requested);

// Other SDL back-end code sees every raw SDL event on the primary thread through a hook:
//   oru::AddEventHook(&OnEvent);         // void OnEvent(const SDL_Event&)
using EventHook = void (*)(const SDL_Event& event);

// Hooks run in the order they were added, before the event is translated. Adding a hook twice
// has no further effect. Primary thread.
void AddEventHook(EventHook hook);
void RemoveEventHook(EventHook hook);

// Translates one SDL event aimed at window into at most kMaxTranslated messages, updating the
// key flags as it goes. Returns how many were written. The loop uses it; tests call it directly.
inline constexpr int kMaxTranslated = 2;
int TranslateEvent(const SDL_Event& event, WindowHandle window, MessageRecord* out);

}  // namespace oru
