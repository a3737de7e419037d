// The joystick queries over the readings the back end publishes (joystick_store_internal.h).
#include "oru/platform/joystick.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "oru/platform/joystick_store_internal.h"

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

// Names for the capability record; written by the back end's reader, read by any.
std::mutex nameMutex;
std::array<std::array<char, 32>, kJoystickSlots> names{};

}  // namespace

void SetJoystickName(unsigned id, const char* name) {
  if (id >= kJoystickSlots) return;
  if (!name || !*name) name = "Joystick";
  std::size_t n = std::min(std::strlen(name), names[id].size() - 1);
  while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
  std::lock_guard lock(nameMutex);
  names[id].fill('\0');
  std::memcpy(names[id].data(), name, n);
}

void GetJoystickRange(unsigned id, std::uint32_t* xMin, std::uint32_t* xMax, std::uint32_t* yMin,
                      std::uint32_t* yMax) {
  if (id >= kJoystickSlots) return;
  *xMin = ranges[id].xMin.load(std::memory_order_relaxed);
  *xMax = ranges[id].xMax.load(std::memory_order_relaxed);
  *yMin = ranges[id].yMin.load(std::memory_order_relaxed);
  *yMax = ranges[id].yMax.load(std::memory_order_relaxed);
}

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
    std::lock_guard<std::mutex> lock(nameMutex);
    std::memcpy(c.name, names[id].data(), sizeof c.name);
  }
  *caps = c;
  return kJoyNoError;
}

unsigned JoyGetPos(unsigned id, JoyInfo* info) {
  if (id >= kJoystickSlots || !info) return kJoyBadParameter;
  const JoystickSnapshot s = GetJoystickSnapshot(id);
  if (!s.connected) return kJoyUnplugged;
  info->xPos = s.x;
  info->yPos = s.y;
  info->zPos = 0;
  info->buttons = s.buttons;
  return kJoyNoError;
}

}  // namespace oru
