/// \file
/// Joystick capabilities and position: the joyGetDevCaps / joyGetPos services, over SDL on Linux
/// and over winmm's own joystick services on Windows.
///
/// Usage:
///   JoystickStartUp();                  // primary thread, once the window exists (idempotent)
///   JoyCaps caps;
///   JoyGetDevCaps(0, &caps, sizeof caps);   // any thread: ranges of joystick 0
///   JoyInfo info;
///   if (JoyGetPos(0, &info) == kJoyNoError) { ... info.xPos, info.buttons ... }
///
/// A pad that SDL recognises as a game controller reports its left stick as x and y (the D-pad
/// overrides the stick while pressed) and A, B, X, Y as buttons 1 to 4 (bits 0 to 3). Any other
/// joystick reports its axes 0 and 1 (hat 0 overrides them while pressed) and its buttons 0 to 3.
/// Positions run 0..65535 with the rest position at about 32768; up and left are the low ends.
///
/// Over SDL the primary thread owns the devices: an event hook opens pads as they are plugged in,
/// closes them when they go, and copies each pad's state into one atomic word per joystick id.
/// The queries only read those words, so they are cheap and safe from any thread. Joystick ids
/// are handed out in plug order, lowest free id first. Over winmm, which has no plug events, a
/// thread of the back end's reads the pads every 10 ms and publishes them in the same words; an
/// id without a pad is looked at once a second, and a pad whose reading fails counts as gone
/// until then. Joystick id n is winmm's joystick n.
#pragma once

#include <cstdint>

namespace oru {

/// Joystick ids 0 .. kJoystickSlots - 1 exist.
inline constexpr unsigned kJoystickSlots = 4;

///@{
/// Results of the two queries.
inline constexpr unsigned kJoyNoError = 0;
inline constexpr unsigned kJoyBadParameter = 165;  ///< id out of range, null record, wrong size
inline constexpr unsigned kJoyUnplugged = 167;     ///< no pad at this id
///@}

/// Capability record, laid out as the native one (404 bytes); the library reads the ranges.
struct JoyCaps {
  ///@{
  /// Fields named and sized as in the native record; the library reads the axis ranges (xMin to
  /// zMax), numButtons and name, and the back ends fill what they know.
  std::uint16_t manufacturerId;
  std::uint16_t productId;
  char name[32];
  std::uint32_t xMin, xMax, yMin, yMax, zMin, zMax;
  std::uint32_t numButtons;
  std::uint32_t periodMin, periodMax;
  std::uint32_t rMin, rMax, uMin, uMax, vMin, vMax;
  std::uint32_t caps;
  std::uint32_t maxAxes;
  std::uint32_t numAxes;
  std::uint32_t maxButtons;
  char registryKey[32];
  char driverName[260];
  ///@}
};
static_assert(sizeof(JoyCaps) == 404, "the capability record keeps its native size");

/// A joystick's position and buttons, as JoyGetPos reads them.
struct JoyInfo {
  /// Position of the x axis, within the range JoyGetDevCaps reports.
  std::uint32_t xPos;
  /// Position of the y axis.
  std::uint32_t yPos;
  /// Position of the z axis.
  std::uint32_t zPos;
  std::uint32_t buttons;  ///< bit n = button n + 1 down
};

/// Fills caps for joystick id. size must be sizeof(JoyCaps).
unsigned JoyGetDevCaps(unsigned id, JoyCaps* caps, unsigned size);

/// Reads the position and buttons of joystick id.
unsigned JoyGetPos(unsigned id, JoyInfo* info);

/// Starts the joystick service (SDL's game controller service, hooked into the event loop for
/// hot-plug and state events; or the thread that reads winmm's joysticks, which
/// EndServiceThreads ends). Call on the primary thread. Without any
/// device, or when the service cannot start, every query reports kJoyUnplugged and the keyboard
/// works alone. Returns false in that last case. Before it, the queries read only the published
/// snapshots.
bool JoystickStartUp();

/// What the queries see of one joystick id: the words the primary thread publishes.
struct JoystickSnapshot {
  /// Whether a pad is at this id.
  bool connected = false;
  /// x axis, 0..65535, 32768 at rest.
  std::uint16_t x = 32768;
  /// y axis, 0..65535, 32768 at rest.
  std::uint16_t y = 32768;
  /// Bit n: button n + 1 down.
  std::uint16_t buttons = 0;
};

///@{
/// Publishes a snapshot for id (ignored when id is out of range). The back end uses it; tests
/// use it to stand in for a pad (before JoystickStartUp). Safe from any thread.
void SetJoystickSnapshot(unsigned id, const JoystickSnapshot& snapshot);
JoystickSnapshot GetJoystickSnapshot(unsigned id);
///@}

/// Ranges reported by JoyGetDevCaps for id; real pads report 0..65535 on both axes. Tests set
/// other ranges to check calibration arithmetic.
void SetJoystickRange(unsigned id, std::uint32_t xMin, std::uint32_t xMax, std::uint32_t yMin,
                      std::uint32_t yMax);

/// Unplugs every id and restores the default ranges (tests).
void ResetJoysticksForTesting();

///@{
/// Pure mappings from device readings to snapshot values, shared by the event hook and tests.
/// An SDL axis value (-32768..32767) to a position 0..65535.
std::uint16_t AxisToPosition(std::int16_t axis);
/// A direction pad (or hat) overrides the stick on an axis while one of its two sides is down.
std::uint16_t DirectionOverride(std::uint16_t stick, bool lowSide, bool highSide);
///@}

}  // namespace oru
