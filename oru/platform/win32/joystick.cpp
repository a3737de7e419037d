// Joysticks on Windows: winmm's joystick services, read when asked, behind the same snapshots
// the other back end publishes.
//
// winmm has no plug events, so pads are found by polling: a joystick id with no pad asks for
// the pad's capabilities at most once a second, and a pad whose reading fails counts as gone
// until such a check finds it again. Queries made before JoystickStartUp only read the
// published snapshots, as tests that stand in for a pad expect; once started, each query reads
// the pad first (winmm answers from the driver's current state, so this costs no wait) and
// publishes what it read. Joystick id n is winmm's joystick n.
#include "oru/platform/joystick.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

// One word per id: bit 63 connected, bits 32..47 buttons, bits 16..31 y, bits 0..15 x. A single
// word keeps x, y and buttons of one reading together for a reader on another thread.
constexpr std::uint64_t kConnectedBit = std::uint64_t{1} << 63;

std::uint64_t Pack(const JoystickSnapshot& s) {
  return (s.connected ? kConnectedBit : 0) | (std::uint64_t{s.buttons} << 32) |
         (std::uint64_t{s.y} << 16) | std::uint64_t{s.x};
}

JoystickSnapshot Unpack(std::uint64_t word) {
  JoystickSnapshot s;
  s.connected = (word & kConnectedBit) != 0;
  s.buttons = static_cast<std::uint16_t>(word >> 32);
  s.y = static_cast<std::uint16_t>(word >> 16);
  s.x = static_cast<std::uint16_t>(word);
  return s;
}

struct Range {
  std::atomic<std::uint32_t> xMin{0}, xMax{65535}, yMin{0}, yMax{65535};
};

std::array<std::atomic<std::uint64_t>, kJoystickSlots> snapshots{};
std::array<Range, kJoystickSlots> ranges;

// Names for the capability record, and the polling state; under pollMutex.
constexpr ULONGLONG kRecheckMs = 1000;
struct Pad {
  bool present = false;
  ULONGLONG nextCheck = 0;  // GetTickCount64 of the next capability check while absent
  std::array<char, 32> name{};
};
std::mutex pollMutex;
std::array<Pad, kJoystickSlots> pads;
std::atomic<bool> startedUp{false};

// A winmm position (in the range the capabilities give) as a snapshot coordinate.
std::uint16_t Coordinate(DWORD position) {
  return static_cast<std::uint16_t>(std::min<DWORD>(position, 65535));
}

// The point of view hat, in hundredths of a degree clockwise from forward, overrides the stick
// while pressed, as a D-pad does on the other back end.
void ApplyHat(DWORD pov, JoystickSnapshot* s, unsigned id) {
  if (pov > 35999) return;  // centred (JOY_POVCENTERED) or no hat
  const bool up = pov > 27000 || pov < 9000;
  const bool right = pov > 0 && pov < 18000;
  const bool down = pov > 9000 && pov < 27000;
  const bool left = pov > 18000;
  const auto lowX = static_cast<std::uint16_t>(std::min<std::uint32_t>(ranges[id].xMin, 65535));
  const auto highX = static_cast<std::uint16_t>(std::min<std::uint32_t>(ranges[id].xMax, 65535));
  const auto lowY = static_cast<std::uint16_t>(std::min<std::uint32_t>(ranges[id].yMin, 65535));
  const auto highY = static_cast<std::uint16_t>(std::min<std::uint32_t>(ranges[id].yMax, 65535));
  if (left != right) s->x = left ? lowX : highX;
  if (up != down) s->y = up ? lowY : highY;
}

// Caller holds pollMutex. Finds a pad at id when it is time to look again.
void Discover(unsigned id, Pad& pad) {
  const ULONGLONG now = GetTickCount64();
  if (now < pad.nextCheck) return;
  JOYCAPSW caps{};
  if (joyGetDevCapsW(id, &caps, sizeof caps) != JOYERR_NOERROR) {
    pad.nextCheck = now + kRecheckMs;
    return;
  }
  pad.present = true;
  SetJoystickRange(id, caps.wXmin, caps.wXmax, caps.wYmin, caps.wYmax);
  caps.szPname[MAXPNAMELEN - 1] = L'\0';
  std::string name = win32::Narrow(caps.szPname);
  if (name.empty()) name = "Joystick";
  pad.name.fill('\0');
  std::size_t n = std::min(name.size(), pad.name.size() - 1);
  while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
  std::memcpy(pad.name.data(), name.data(), n);
}

// Reads joystick id into its snapshot, once the service has started.
void Poll(unsigned id) {
  if (!startedUp.load(std::memory_order_acquire)) return;
  std::lock_guard lock(pollMutex);
  Pad& pad = pads[id];
  if (!pad.present) Discover(id, pad);
  JoystickSnapshot s;
  if (pad.present) {
    JOYINFOEX info{};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS | JOY_RETURNPOV;
    if (joyGetPosEx(id, &info) == JOYERR_NOERROR) {
      s.connected = true;
      s.x = Coordinate(info.dwXpos);
      s.y = Coordinate(info.dwYpos);
      ApplyHat(info.dwPOV, &s, id);
      s.buttons = static_cast<std::uint16_t>(info.dwButtons & 0xF);
    } else {
      // Unplugged: look for it again in a second.
      pad.present = false;
      pad.nextCheck = GetTickCount64() + kRecheckMs;
    }
  }
  SetJoystickSnapshot(id, s);
}

}  // namespace

std::uint16_t AxisToPosition(std::int16_t axis) { return static_cast<std::uint16_t>(axis + 32768); }

std::uint16_t DirectionOverride(std::uint16_t stick, bool lowSide, bool highSide) {
  if (lowSide && !highSide) return 0;
  if (highSide && !lowSide) return 65535;
  return stick;
}

void SetJoystickSnapshot(unsigned id, const JoystickSnapshot& snapshot) {
  if (id < kJoystickSlots) snapshots[id].store(Pack(snapshot), std::memory_order_release);
}

JoystickSnapshot GetJoystickSnapshot(unsigned id) {
  if (id >= kJoystickSlots) return JoystickSnapshot{};
  return Unpack(snapshots[id].load(std::memory_order_acquire));
}

void SetJoystickRange(unsigned id, std::uint32_t xMin, std::uint32_t xMax, std::uint32_t yMin,
                      std::uint32_t yMax) {
  if (id >= kJoystickSlots) return;
  ranges[id].xMin.store(xMin, std::memory_order_relaxed);
  ranges[id].xMax.store(xMax, std::memory_order_relaxed);
  ranges[id].yMin.store(yMin, std::memory_order_relaxed);
  ranges[id].yMax.store(yMax, std::memory_order_relaxed);
}

void ResetJoysticksForTesting() {
  for (unsigned id = 0; id < kJoystickSlots; ++id) {
    SetJoystickSnapshot(id, JoystickSnapshot{});
    SetJoystickRange(id, 0, 65535, 0, 65535);
  }
}

unsigned JoyGetDevCaps(unsigned id, JoyCaps* caps, unsigned size) {
  if (id >= kJoystickSlots || !caps || size != sizeof(JoyCaps)) return kJoyBadParameter;
  Poll(id);
  if (!GetJoystickSnapshot(id).connected) return kJoyUnplugged;
  JoyCaps c{};
  c.xMin = ranges[id].xMin.load(std::memory_order_relaxed);
  c.xMax = ranges[id].xMax.load(std::memory_order_relaxed);
  c.yMin = ranges[id].yMin.load(std::memory_order_relaxed);
  c.yMax = ranges[id].yMax.load(std::memory_order_relaxed);
  c.zMax = 65535;
  c.rMax = c.uMax = c.vMax = 65535;
  c.numButtons = c.maxButtons = 4;
  c.numAxes = c.maxAxes = 2;
  c.periodMin = 10;
  c.periodMax = 1000;
  {
    std::lock_guard lock(pollMutex);
    std::memcpy(c.name, pads[id].name.data(), sizeof c.name);
  }
  *caps = c;
  return kJoyNoError;
}

unsigned JoyGetPos(unsigned id, JoyInfo* info) {
  if (id >= kJoystickSlots || !info) return kJoyBadParameter;
  Poll(id);
  const JoystickSnapshot s = GetJoystickSnapshot(id);
  if (!s.connected) return kJoyUnplugged;
  info->xPos = s.x;
  info->yPos = s.y;
  info->zPos = 0;
  info->buttons = s.buttons;
  return kJoyNoError;
}

bool JoystickStartUp() {
  // winmm's joystick driver answers for a fixed number of ids, whether or not pads are there;
  // none at all means there is no joystick service.
  if (joyGetNumDevs() == 0) return false;
  startedUp.store(true, std::memory_order_release);
  return true;
}

}  // namespace oru
