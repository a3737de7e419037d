// Joysticks over SDL: device handling on the primary thread, atomic snapshots for every reader.
#include "oru/platform/joystick.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "oru/platform/event_loop.h"
#include "oru/platform/joystick_store_internal.h"
#include "oru/platform/sdl/sdl_events_internal.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {
namespace {

// Devices, touched by the primary thread only (the event hook and start-up).
struct Device {
  SDL_GameController* controller = nullptr;
  SDL_Joystick* joystick = nullptr;  // the controller's own joystick when controller is set
  SDL_JoystickID instance = -1;
};
std::array<Device, kJoystickSlots> devices;

bool startedUp = false;

int SlotOfInstance(SDL_JoystickID instance) {
  for (unsigned i = 0; i < kJoystickSlots; ++i)
    if (devices[i].joystick && devices[i].instance == instance) return static_cast<int>(i);
  return -1;
}

void Refresh(unsigned slot) {
  const Device& d = devices[slot];
  JoystickSnapshot s;
  if (!d.joystick) {
    SetJoystickSnapshot(slot, s);
    return;
  }
  s.connected = true;
  if (d.controller) {
    SDL_GameController* c = d.controller;
    s.x = DirectionOverride(AxisToPosition(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX)),
                            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0,
                            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0);
    s.y = DirectionOverride(AxisToPosition(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY)),
                            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0,
                            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0);
    static constexpr SDL_GameControllerButton kButtons[4] = {
        SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
        SDL_CONTROLLER_BUTTON_Y};
    for (int b = 0; b < 4; ++b)
      if (SDL_GameControllerGetButton(c, kButtons[b]))
        s.buttons |= static_cast<std::uint16_t>(1u << b);
  } else {
    SDL_Joystick* j = d.joystick;
    const int axes = SDL_JoystickNumAxes(j);
    const std::uint16_t x = axes > 0 ? AxisToPosition(SDL_JoystickGetAxis(j, 0)) : 32768;
    const std::uint16_t y = axes > 1 ? AxisToPosition(SDL_JoystickGetAxis(j, 1)) : 32768;
    const Uint8 hat = SDL_JoystickNumHats(j) > 0 ? SDL_JoystickGetHat(j, 0) : SDL_HAT_CENTERED;
    s.x = DirectionOverride(x, (hat & SDL_HAT_LEFT) != 0, (hat & SDL_HAT_RIGHT) != 0);
    s.y = DirectionOverride(y, (hat & SDL_HAT_UP) != 0, (hat & SDL_HAT_DOWN) != 0);
    const int count = SDL_JoystickNumButtons(j);
    for (int b = 0; b < 4 && b < count; ++b)
      if (SDL_JoystickGetButton(j, b)) s.buttons |= static_cast<std::uint16_t>(1u << b);
  }
  SetJoystickSnapshot(slot, s);
}

void Open(int deviceIndex) {
  const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (instance < 0 || SlotOfInstance(instance) >= 0) return;  // already open
  unsigned slot = 0;
  while (slot < kJoystickSlots && devices[slot].joystick) ++slot;
  if (slot == kJoystickSlots) return;  // every id taken
  Device d;
  if (SDL_IsGameController(deviceIndex)) {
    d.controller = SDL_GameControllerOpen(deviceIndex);
    if (d.controller) d.joystick = SDL_GameControllerGetJoystick(d.controller);
  }
  if (!d.joystick) d.joystick = SDL_JoystickOpen(deviceIndex);
  if (!d.joystick) return;
  d.instance = SDL_JoystickInstanceID(d.joystick);
  devices[slot] = d;
  SetJoystickName(
      slot, d.controller ? SDL_GameControllerName(d.controller) : SDL_JoystickName(d.joystick));
  Refresh(slot);
}

void Close(SDL_JoystickID instance) {
  const int slot = SlotOfInstance(instance);
  if (slot < 0) return;
  Device& d = devices[static_cast<unsigned>(slot)];
  if (d.controller)
    SDL_GameControllerClose(d.controller);
  else
    SDL_JoystickClose(d.joystick);
  d = Device{};
  Refresh(static_cast<unsigned>(slot));
}

void OnEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_JOYDEVICEADDED:
      Open(e.jdevice.which);
      break;
    case SDL_JOYDEVICEREMOVED:
      Close(e.jdevice.which);
      break;
    case SDL_JOYAXISMOTION:
    case SDL_JOYHATMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      // Every one of these events carries the joystick instance in the same place.
      const int slot = SlotOfInstance(e.jaxis.which);
      if (slot >= 0) Refresh(static_cast<unsigned>(slot));
      break;
    }
    default:
      break;
  }
}

}  // namespace

bool JoystickStartUp() {
  if (startedUp) return true;
  // The event service first, so it starts with the loop's settings whoever comes first.
  if (!StartEvents()) return false;
  // Linux pads are read through evdev; SDL starts fine with none present. A failure here (no
  // access to the input devices at all) only means no joystick.
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
  startedUp = true;
  SDL_JoystickEventState(SDL_ENABLE);
  SDL_GameControllerEventState(SDL_ENABLE);
  AddEventHook(&OnEvent);
  // Pads present now are also announced by SDL_JOYDEVICEADDED; opening them here makes the
  // first queries right before the loop has run. Open ignores a pad that is already open.
  const int count = SDL_NumJoysticks();
  for (int i = 0; i < count; ++i) Open(i);
  return true;
}

}  // namespace oru
