// The message loop over SDL's event queue, and the translation of SDL events into messages.
#include "oru/platform/event_loop.h"
#include "oru/platform/sdl/sdl_window_internal.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/message_queue_internal.h"
#include "oru/platform/native_window.h"
#include "oru/platform/sdl/scancodes_internal.h"
#include "oru/platform/sdl/sdl_events_internal.h"
#include "oru/platform/window_canvas_internal.h"

namespace oru {
namespace {

// Mouse key flags of WM_MOUSEMOVE and the button messages.
constexpr WParam MK_LBUTTON = 0x0001;
constexpr WParam MK_RBUTTON = 0x0002;
constexpr WParam MK_SHIFT = 0x0004;
constexpr WParam MK_CONTROL = 0x0008;
constexpr WParam MK_MBUTTON = 0x0010;
constexpr std::uint16_t HTCLIENT = 1;
constexpr unsigned WM_MBUTTONDOWN = 519;
constexpr unsigned WM_MBUTTONUP = 520;

// One wake-up event in SDL's queue at a time, however many messages are posted.
std::atomic<bool> wakePending{false};

// Primary thread only.
std::vector<EventHook> hooks;
std::string droppedFile;

std::uint32_t UserEventBase() {
  static const std::uint32_t base = SDL_RegisterEvents(2);
  return base;
}

WindowHandle TargetOf(const SDL_Event& e) {
  std::uint32_t id = 0;
  switch (e.type) {
    case SDL_WINDOWEVENT:
      id = e.window.windowID;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      id = e.key.windowID;
      break;
    case SDL_MOUSEMOTION:
      id = e.motion.windowID;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      id = e.button.windowID;
      break;
    case SDL_DROPFILE:
      id = e.drop.windowID;
      break;
  }
  WindowHandle w = id ? WindowFromSdlId(id) : nullptr;
  return w ? w : MainNativeWindow();
}

void HandleEvent(const SDL_Event& e) {
  if (e.type == WakeEventType()) {
    wakePending = false;
    return;
  }
  if (e.type == ShowEventType()) {
    if (WindowHandle w = WindowFromSdlId(e.user.windowID)) PresentCanvas(w, false);
    return;
  }
  // Hooks see SDL's events, not the loop's own.
  for (EventHook hook : hooks) hook(e);
  if (e.type == SDL_QUIT) {
    RequestClose();
    return;
  }
  MessageRecord out[kMaxTranslated];
  const int n = TranslateEvent(e, TargetOf(e), out);
  for (int i = 0; i < n; ++i) QueueTranslated(out[i]);
  if (e.type == SDL_DROPFILE || e.type == SDL_DROPTEXT) SDL_free(e.drop.file);
}

WParam MouseKeyFlags(std::uint32_t buttons) {
  WParam flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  if (GetAsyncKeyState(VK_SHIFT)) flags |= MK_SHIFT;
  if (GetAsyncKeyState(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

// Mouse positions travel as two unsigned 16-bit words, so a position left of or above the
// client area arrives as a large positive number.
LParam PointParam(int x, int y) {
  return MakeLParam(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y));
}

int TranslateWindowEvent(const SDL_WindowEvent& w, WindowHandle window, MessageRecord* out) {
  switch (w.event) {
    case SDL_WINDOWEVENT_EXPOSED:
      out[0] = {window, WM_PAINT, 0, 0};
      return 1;
    case SDL_WINDOWEVENT_CLOSE:
      out[0] = {window, WM_CLOSE, 0, 0};
      return 1;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_RESTORED:
      out[0] = {window, WM_ACTIVATE, WA_ACTIVE, 0};
      return 1;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // No key-up events follow for keys held while the focus goes.
      ClearKeyState();
      out[0] = {window, WM_ACTIVATE, WA_INACTIVE, 0};
      return 1;
    case SDL_WINDOWEVENT_MINIMIZED:
      out[0] = {window, WM_ACTIVATE, static_cast<WParam>(MakeLParam(WA_INACTIVE, 1)), 0};
      return 1;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      out[0] = {
          window, WM_SIZE, 0,
          MakeLParam(static_cast<std::uint16_t>(w.data1), static_cast<std::uint16_t>(w.data2))};
      return 1;
    default:
      return 0;
  }
}

}  // namespace

std::uint32_t WakeEventType() { return UserEventBase(); }
std::uint32_t ShowEventType() { return UserEventBase() + 1; }

bool StartEvents() {
  if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
    MarkMessageLoopReady();
    return true;
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A close request stays a close request: the window decides whether the program ends.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return false;
  UserEventBase();
  MarkMessageLoopReady();
  return true;
}

bool PostShowRequest(std::uintptr_t windowId) {
  return PushUserEvent(ShowEventType(), static_cast<std::uint32_t>(windowId));
}

void WakeMessageLoop() {
  if (!wakePending.exchange(true)) {
    if (!PushUserEvent(WakeEventType(), 0)) wakePending = false;
  }
}

bool PushUserEvent(std::uint32_t type, std::uint32_t sdlWindowId) {
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return false;
  SDL_Event e{};
  e.type = type;
  e.user.windowID = sdlWindowId;
  return SDL_PushEvent(&e) > 0;
}

void AddEventHook(EventHook hook) {
  if (!hook) return;
  for (EventHook h : hooks)
    if (h == hook) return;
  hooks.push_back(hook);
}

void RemoveEventHook(EventHook hook) { std::erase(hooks, hook); }

bool ClosePending() {
  if (CloseRequestWaiting()) return true;
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return false;
  SDL_PumpEvents();
  SDL_Event e;
  if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) == 1) return true;
  // Window events are few while nothing is drawn yet; a close among the first ones is enough.
  SDL_Event windowEvents[64];
  const int n = SDL_PeepEvents(windowEvents, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < n; ++i)
    if (windowEvents[i].window.event == SDL_WINDOWEVENT_CLOSE) return true;
  return false;
}

bool GetMessage(MessageRecord* message) {
  for (;;) {
    if (TakeReadyMessage(message)) return message->message != WM_QUIT;
    SDL_Event e;
    if (StartEvents() && SDL_WaitEvent(&e))
      HandleEvent(e);
    else
      SDL_Delay(10);
  }
}

bool PeekMessage(MessageRecord* message) {
  if (TakeReadyMessage(message)) return true;
  if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
    // SDL_PollEvent may stop at a marker of its own with events still queued behind it;
    // taking events directly sees all of them.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
      HandleEvent(e);
      if (TakeReadyMessage(message)) return true;
    }
  }
  return false;
}

int TranslateEvent(const SDL_Event& e, WindowHandle window, MessageRecord* out) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool down = e.type == SDL_KEYDOWN;
      const bool numLock = (e.key.keysym.mod & KMOD_NUM) != 0;
      const int vk = ApplyKeyEvent(e.key.keysym.scancode, down, numLock);
      if (!vk || !window) return 0;
      // Key data: repeat count 1, bit 30 the previous state, bit 31 the transition.
      LParam data = 1;
      if (!down || e.key.repeat) data |= LParam{1} << 30;
      if (!down) data |= LParam{1} << 31;
      out[0] = {window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WParam>(vk), data};
      return 1;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      int vk = 0;
      unsigned message = 0;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT:
          vk = VK_LBUTTON;
          message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
          break;
        case SDL_BUTTON_RIGHT:
          vk = VK_RBUTTON;
          message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
          break;
        case SDL_BUTTON_MIDDLE:
          vk = VK_MBUTTON;
          message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
          break;
        default:
          return 0;
      }
      SetKeyState(vk, down);
      if (!window) return 0;
      const std::uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
      const Point p = ClientPointOfSdlWindow(SdlWindowOf(window), e.button.x, e.button.y);
      out[0] = {window, message, MouseKeyFlags(buttons), PointParam(p.x, p.y)};
      return 1;
    }
    case SDL_MOUSEMOTION: {
      if (!window) return 0;
      const Point p = ClientPointOfSdlWindow(SdlWindowOf(window), e.motion.x, e.motion.y);
      out[0] = {window, WM_SETCURSOR, reinterpret_cast<WParam>(window),
                MakeLParam(HTCLIENT, WM_MOUSEMOVE)};
      out[1] = {window, WM_MOUSEMOVE, MouseKeyFlags(e.motion.state), PointParam(p.x, p.y)};
      return 2;
    }
    case SDL_WINDOWEVENT:
      if (!window) return 0;
      return TranslateWindowEvent(e.window, window, out);
    case SDL_DROPFILE:
      if (!window || !e.drop.file) return 0;
      // The name stays valid until the next drop.
      droppedFile = e.drop.file;
      out[0] = {window, WM_DROPFILES, reinterpret_cast<WParam>(droppedFile.c_str()), 0};
      return 1;
    default:
      return 0;
  }
}

}  // namespace oru
