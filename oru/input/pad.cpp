// The pad's key layouts, joystick thresholds and button masks.
#include "oru/input/pad.h"

#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace oru {
namespace {

// Previous and current button masks per joystick id (bit n = button n). Only the game thread
// polls, so plain words serve.
std::array<std::uint32_t, kPadMaskSlots> previousMasks{};
std::array<std::uint32_t, kPadMaskSlots> currentMasks{};

constexpr int kNone = -1;
// A blank map: no key in columns 0 to 6, and key code 0 (never down) in column 7.
constexpr Pad::KeyMap kBlank = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, 0};

constexpr const std::array<int, kPadButtons>& kColumnOfButton = kPadKeyColumns;

bool KeyDown(int vk) { return vk > 0 && vk < 256 && (GetAsyncKeyState(vk) & 0x8000) != 0; }

bool ValidButton(int button) { return button >= 0 && button < kPadButtons; }

}  // namespace

void Pad::Configure(int joystick, int layout) {
  if (layout >= 0 && layout < kPadLayouts) {
    keyMaps = kPadKeyLayouts[static_cast<unsigned>(layout)];
  } else {
    keyMaps = {kBlank, kBlank, kBlank};
  }
  joystickId = joystick != 0 ? 1 : 0;
  joystickCaps = JoyCaps{};
  capsValid = JoyGetDevCaps(static_cast<unsigned>(joystickId), &joystickCaps,
                            sizeof joystickCaps) == kJoyNoError;
  up = right = down = left = 0;
  joystickButtons = 0;
  // Presses made before the layout was chosen are not taps of this pad.
  for (const KeyMap& map : keyMaps)
    for (int key : map)
      if (key > 0 && key < 256) pressesSeen[static_cast<unsigned>(key)] = KeyPressCount(key);
}

void Pad::Poll() {
  joystickButtons = 0;
  JoyInfo info{};
  bool read = JoyGetPos(static_cast<unsigned>(joystickId), &info) == kJoyNoError;
  if (read && !capsValid) {
    // Plugged in after Configure: without its ranges every position would read as a direction.
    capsValid = JoyGetDevCaps(static_cast<unsigned>(joystickId), &joystickCaps,
                              sizeof joystickCaps) == kJoyNoError;
    read = capsValid;
  }
  if (read) {
    const std::uint32_t xMax = joystickCaps.xMax;
    const std::uint32_t yMax = joystickCaps.yMax;
    const std::int64_t xLimit = xMax / 3;
    const std::int64_t yLimit = yMax / 3;
    const std::int64_t dx = static_cast<std::int32_t>(info.xPos - xMax / 2);
    const std::int64_t dy = static_cast<std::int32_t>(info.yPos - yMax / 2);
    joystickButtons = info.buttons;
    up = -dy > yLimit ? 1 : 0;
    right = dx > xLimit ? 1 : 0;
    down = dy > yLimit ? 1 : 0;
    left = -dx > xLimit ? 1 : 0;
  } else {
    // A pad pulled out while a direction was held must not leave the crab walking on its own;
    // one plugged in again reads its ranges afresh.
    up = right = down = left = 0;
    capsValid = false;
  }

  // Taps since the last poll: every key's count is read once, then marked seen, so a key that
  // feeds several buttons reports its tap to each of them.
  std::uint32_t taps = 0;
  std::array<std::array<std::uint32_t, kPadButtons>, kPadKeyMaps> counts{};
  for (unsigned m = 0; m < kPadKeyMaps; ++m)
    for (unsigned column = 0; column < kPadButtons; ++column) {
      const int key = keyMaps[m][column];
      if (key <= 0 || key > 255) continue;
      counts[m][column] = KeyPressCount(key);
      if (counts[m][column] != pressesSeen[static_cast<unsigned>(key)])
        for (int n = 0; n < kPadButtons; ++n)
          if (kColumnOfButton[static_cast<unsigned>(n)] == static_cast<int>(column))
            taps |= 1u << n;
    }
  for (unsigned m = 0; m < kPadKeyMaps; ++m)
    for (unsigned column = 0; column < kPadButtons; ++column) {
      const int key = keyMaps[m][column];
      if (key > 0 && key < 256) pressesSeen[static_cast<unsigned>(key)] = counts[m][column];
    }
  // What Pressed reports is fixed here: a key that goes down after this poll belongs to the
  // next one, or it would read as new in this frame and again in the next.
  std::uint32_t mask = taps;
  for (int n = 0; n < kPadButtons; ++n) {
    const int held = Held(n);
    polledHeld[static_cast<unsigned>(n)] = held != 0 ? held : 1;
    if (held) mask |= 1u << n;
  }
  const auto slot = static_cast<unsigned>(joystickId);
  previousMasks[slot] = currentMasks[slot];
  currentMasks[slot] = mask;
}

bool Pad::SetButtonKeys(int button, const std::array<int, kPadKeyMaps>& keys) {
  if (!ValidButton(button)) return false;
  const auto column = static_cast<unsigned>(kColumnOfButton[static_cast<unsigned>(button)]);
  for (unsigned m = 0; m < kPadKeyMaps; ++m) {
    const int key = keys[m] > 0 && keys[m] < 256 ? keys[m] : kNone;
    keyMaps[m][column] = key;
    if (key != kNone) pressesSeen[static_cast<unsigned>(key)] = KeyPressCount(key);
  }
  return true;
}

std::array<int, kPadKeyMaps> Pad::ButtonKeys(int button) const {
  std::array<int, kPadKeyMaps> keys{kNone, kNone, kNone};
  if (!ValidButton(button)) return keys;
  const auto column = static_cast<unsigned>(kColumnOfButton[static_cast<unsigned>(button)]);
  for (unsigned m = 0; m < kPadKeyMaps; ++m)
    keys[m] = keyMaps[m][column] > 0 ? keyMaps[m][column] : kNone;
  return keys;
}

int PadLayoutKey(int layout, int map, int button) {
  if (layout < 0 || layout >= kPadLayouts || map < 0 || map >= kPadKeyMaps || !ValidButton(button))
    return kNone;
  const int key =
      kPadKeyLayouts[static_cast<unsigned>(layout)][static_cast<unsigned>(map)]
                    [static_cast<unsigned>(kColumnOfButton[static_cast<unsigned>(button)])];
  return key > 0 ? key : kNone;
}

int Pad::Held(int button) const {
  if (!ValidButton(button)) return 0;
  const auto column = static_cast<unsigned>(kColumnOfButton[static_cast<unsigned>(button)]);
  for (const KeyMap& map : keyMaps) {
    const int key = map[column];
    if (key != kNone && KeyDown(key)) return 1;
  }
  switch (button) {
    case PadUp:
      return up;
    case PadRight:
      return right;
    case PadDown:
      return down;
    case PadLeft:
      return left;
    default:
      return static_cast<int>(joystickButtons & (1u << (button - PadButton1)));
  }
}

int Pad::Pressed(int button) const {
  if (!ValidButton(button)) return 0;
  const auto slot = static_cast<unsigned>(joystickId);
  const std::uint32_t bit = 1u << button;
  if ((currentMasks[slot] & bit) == 0 || (previousMasks[slot] & bit) != 0) return 0;
  return polledHeld[static_cast<unsigned>(button)];
}

}  // namespace oru
