/// \file
/// Pad: eight game buttons (four directions, four action buttons) over keyboard and joystick.
///
/// Usage (the game thread owns the pad):
///   Pad pad;
///   pad.Configure(0, 0);          // joystick 0, key layout 0; once, before anything else
///   each frame:
///     pad.Poll();                 // read the joystick, take the button snapshot
///     if (pad.Held(PadLeft)) ...  // down now
///     if (pad.Pressed(PadButton2)) ...  // down at this poll, and up at the poll before it
///
/// A button is down when any of up to three keys mapped to it is down (one per key map) or when
/// the joystick shows its direction or button. Held reads the keys and the joystick flags live;
/// Pressed compares the button masks of the latest two polls, which are shared process-wide by
/// every pad with the same joystick id. A pad that is unplugged releases all it held.
///
/// The key layouts (Configure's layout; kPadKeyLayouts holds them as data, PadLayoutKey reads one
/// key by button number). Each button has a key in up to three maps:
///
///   layout  map  up      right   down    left    button 1  button 2  button 3  button 4
///   0       0    Up      Right   Down    Left    Space     Return    -         -
///           1    Num 8   Num 6   Num 2   Num 4   Z         X         C         V
///           2    -       -       -       -       Shift     Ctrl      Escape    -
///   1       0    Up      Right   Down    Left    Space     Return    -         -
///           1    Num 8   Num 6   Num 2   Num 4   Num 0     Num 5     -         -
///   2       0    T       H       B       F       Z         X         C         V
///   3       0    Up      Right   Down    Left    Space     Escape    -         -
///           1    Num 8   Num 6   Num 2   Num 4   Return    -         -         -
///           2    -       -       -       -       Z         X         -         -
///
/// Letters are the keys' positions on a US keyboard; a player on another layout (AZERTY, Dvorak)
/// gets keys under the same fingers with SetButtonKeys.
///
/// Joysticks show up once the primary thread has started the platform's joystick service
/// (JoystickStartUp in oru/platform/joystick.h, after the window exists); until then, and without
/// a pad, the keyboard works alone. A pad plugged in later is picked up at the next poll.
#pragma once

#include <array>
#include <cstdint>

#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"

namespace oru {

/// Button numbers of Pad: four directions, then four action buttons.
enum PadButtonId : int {
  PadUp = 0,
  PadRight = 1,
  PadDown = 2,
  PadLeft = 3,
  PadButton1 = 4,
  PadButton2 = 5,
  PadButton3 = 6,
  PadButton4 = 7,
};

/// Buttons of a pad.
inline constexpr int kPadButtons = 8;
/// Key maps a pad reads at once.
inline constexpr int kPadKeyMaps = 3;
/// Key layouts Configure knows.
inline constexpr int kPadLayouts = 4;
/// Slots of the process-wide button masks, one per joystick id.
inline constexpr int kPadMaskSlots = 10;

/// Keyboard and joystick read as eight buttons, with presses told apart from holds.
class Pad {
 public:
  /// Key-map columns run up, down, right, left, then the four action buttons; button numbers run
  /// up, right, down, left. Maps hold virtual-key codes; -1 (and 0) is no key.
  using KeyMap = std::array<int, kPadButtons>;

  /// Sets the key maps of layout (0 to 3; any other layout maps no key at all), picks joystick 1
  /// when joystick is non-zero and joystick 0 otherwise, reads its ranges and clears the
  /// joystick flags. The process-wide masks are left as they are.
  void Configure(int joystick, int layout);

  /// Reads the joystick and records which buttons are down. Once per frame, before the queries.
  /// A key tapped and released since the previous poll counts as down at this one, so a short
  /// tap between two frames still reads as newly pressed.
  void Poll();

  /// Non-zero while button is down: 1 for a key or a direction, the button's own bit (1, 2, 4
  /// or 8) for a joystick button. 0 for a number outside 0 to 7.
  int Held(int button) const;

  /// Non-zero when the latest poll saw button down (or a key of it tapped since the poll before)
  /// and the poll before did not: what Held returned at that poll, 1 for a tap. Keys that go
  /// down after the latest poll count from the next one, so a press acts in exactly one frame.
  int Pressed(int button) const;

  /// The keys of one button in each of the three maps, one replacing the layout's. A key code
  /// outside 1 to 255 (-1, 0) leaves that map without a key for the button. Presses of the new
  /// keys made before the call are not taps. False, and nothing changed, for a button number
  /// outside 0 to 7. Call after Configure, which puts the layout's keys back.
  bool SetButtonKeys(int button, const std::array<int, kPadKeyMaps>& keys);

  /// The keys button has in each map now (-1 for none); all -1 for a number outside 0 to 7.
  std::array<int, kPadKeyMaps> ButtonKeys(int button) const;

  /// The joystick read.
  int JoystickId() const { return joystickId; }
  /// Key map index (0 .. kPadKeyMaps - 1).
  const KeyMap& Map(int index) const { return keyMaps[static_cast<unsigned>(index)]; }

 private:
  JoyCaps joystickCaps{};
  std::array<KeyMap, kPadKeyMaps> keyMaps{};
  int up = 0;
  int right = 0;
  int down = 0;
  int left = 0;
  std::uint32_t joystickButtons = 0;
  int joystickId = 0;
  ///@{
  /// The ranges are read again once a pad turns up that was not there at Configure.
  bool capsValid = false;
  /// Key press counts as last seen by Poll, indexed by virtual-key code.
  std::array<std::uint32_t, 256> pressesSeen{};
  /// Held at the latest poll, per button (1 for a tapped key that was already up again).
  std::array<int, kPadButtons> polledHeld{};
  ///@}
};

/// The four layouts as data: kPadKeyLayouts[layout][map][column], the columns running up, down,
/// right, left, then buttons 1 to 4 (kPadKeyColumns maps button numbers to columns). -1 is no
/// key; the blank maps end in key code 0, which is never down.
inline constexpr std::array<std::array<Pad::KeyMap, kPadKeyMaps>, kPadLayouts> kPadKeyLayouts = {{
    {{
        {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT, VK_SPACE, VK_RETURN, -1, -1},
        {VK_NUMPAD8, VK_NUMPAD2, VK_NUMPAD6, VK_NUMPAD4, 'Z', 'X', 'C', 'V'},
        {-1, -1, -1, -1, VK_SHIFT, VK_CONTROL, VK_ESCAPE, -1},
    }},
    {{
        {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT, VK_SPACE, VK_RETURN, -1, -1},
        {VK_NUMPAD8, VK_NUMPAD2, VK_NUMPAD6, VK_NUMPAD4, VK_NUMPAD0, VK_NUMPAD5, -1, -1},
        {-1, -1, -1, -1, -1, -1, -1, 0},
    }},
    {{
        {'T', 'B', 'H', 'F', 'Z', 'X', 'C', 'V'},
        {-1, -1, -1, -1, -1, -1, -1, 0},
        {-1, -1, -1, -1, -1, -1, -1, 0},
    }},
    {{
        {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT, VK_SPACE, VK_ESCAPE, -1, -1},
        {VK_NUMPAD8, VK_NUMPAD2, VK_NUMPAD6, VK_NUMPAD4, VK_RETURN, -1, -1, -1},
        {-1, -1, -1, -1, 'Z', 'X', -1, -1},
    }},
}};

/// The key-map column of each button number (PadUp .. PadButton4).
inline constexpr std::array<int, kPadButtons> kPadKeyColumns = {0, 2, 1, 3, 4, 5, 6, 7};

/// The key that layout gives button in map (0 to 2): a virtual-key code, or -1 for none (also
/// for a layout, map or button out of range).
int PadLayoutKey(int layout, int map, int button);

}  // namespace oru
