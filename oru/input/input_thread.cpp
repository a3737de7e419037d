// The input polling thread: key groups, joystick calibration, the state word and its latch.
#include "oru/input/input_thread.h"

#include "oru/platform/clock.h"
#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace oru {

const std::array<int, 26> kDefaultInputKeys = {
    VK_UP,    VK_NUMPAD8, 0,                       // up
    VK_DOWN,  VK_NUMPAD2, 0,                       // down
    VK_RIGHT, VK_NUMPAD6, 0,                       // right
    VK_LEFT,  VK_NUMPAD4, 0,                       // left
    'Z',      VK_CONTROL, VK_SPACE, VK_RETURN, 0,  // button 1
    'X',      VK_SHIFT,   0,                       // button 2
    'C',      VK_ESCAPE,  0,                       // button 3
    'V',      0,                                   // button 4
    0,                                             // end of table
};

int LoadInputKeyTable(std::span<const int> codes, InputKeyGroups& groups) {
  std::size_t at = 0;
  int group = 0;
  while (group < kInputKeyGroups && at < codes.size() && codes[at] != 0) {
    auto& list = groups[static_cast<unsigned>(group)];
    int length = 0;
    for (; at < codes.size() && codes[at] != 0; ++at)
      if (length < kInputGroupLength - 1) list[static_cast<unsigned>(length++)] = codes[at];
    list[static_cast<unsigned>(length)] = 0;
    ++group;
    ++at;  // the group's closing 0
  }
  return group;
}

InputCalibration CalibrationFor(std::uint32_t xMin, std::uint32_t xMax, std::uint32_t yMin,
                                std::uint32_t yMax) {
  // Sums in 64 bits: ranges near 2^32 must not wrap before halving.
  InputCalibration c;
  const std::int64_t xc = (std::int64_t{xMax} + xMin) / 2;
  const std::int64_t yc = (std::int64_t{yMax} + yMin) / 2;
  c.xCentre = static_cast<std::int32_t>(xc);
  c.yCentre = static_cast<std::int32_t>(yc);
  c.xLow = static_cast<std::int32_t>(((std::int64_t{xMin} - xc) * 2) / 3);
  c.xHigh = static_cast<std::int32_t>(((std::int64_t{xMax} - xc) * 2) / 3);
  c.yLow = static_cast<std::int32_t>(((std::int64_t{yMin} - yc) * 2) / 3);
  c.yHigh = static_cast<std::int32_t>(((std::int64_t{yMax} - yc) * 2) / 3);
  return c;
}

InputThread::InputThread() {
  LoadInputKeyTable(kDefaultInputKeys, keyGroups);
  Calibrate(0);
  Start();
}

InputThread::~InputThread() {
  // The thread calls Step on this object: it must be gone before this part of the object is.
  Stop();
}

bool InputThread::Step() {
  Poll();
  SleepMs(interval);
  return true;
}

int InputThread::Calibrate(unsigned id) {
  joystickId.store(id, std::memory_order_relaxed);
  JoyCaps caps{};
  if (JoyGetDevCaps(id, &caps, sizeof caps) != kJoyNoError) return 0;
  const InputCalibration c = CalibrationFor(caps.xMin, caps.xMax, caps.yMin, caps.yMax);
  xCentre.store(c.xCentre, std::memory_order_relaxed);
  yCentre.store(c.yCentre, std::memory_order_relaxed);
  xLow.store(c.xLow, std::memory_order_relaxed);
  yLow.store(c.yLow, std::memory_order_relaxed);
  xHigh.store(c.xHigh, std::memory_order_relaxed);
  yHigh.store(c.yHigh, std::memory_order_relaxed);
  calibrated.store(true, std::memory_order_release);
  return 1;
}

InputCalibration InputThread::Calibration() const {
  InputCalibration c;
  c.xCentre = xCentre.load(std::memory_order_relaxed);
  c.yCentre = yCentre.load(std::memory_order_relaxed);
  c.xLow = xLow.load(std::memory_order_relaxed);
  c.yLow = yLow.load(std::memory_order_relaxed);
  c.xHigh = xHigh.load(std::memory_order_relaxed);
  c.yHigh = yHigh.load(std::memory_order_relaxed);
  return c;
}

bool InputThread::GroupDown(int group) const {
  for (int key : keyGroups[static_cast<unsigned>(group)]) {
    if (key == 0) break;
    if (key > 0 && key < 256 && (GetAsyncKeyState(key) & 0x8000)) return true;
  }
  return false;
}

std::uint32_t InputThread::JoystickBits() {
  const unsigned id = joystickId.load(std::memory_order_relaxed);
  JoyInfo info{};
  if (JoyGetPos(id, &info) != kJoyNoError) return 0;
  // A pad plugged in after calibration has no thresholds yet; zero ones would read every
  // position as a direction.
  if (!calibrated.load(std::memory_order_acquire) && !Calibrate(id)) return 0;
  const std::int64_t dx = std::int64_t{info.xPos} - xCentre.load(std::memory_order_relaxed);
  const std::int64_t dy = std::int64_t{info.yPos} - yCentre.load(std::memory_order_relaxed);
  std::uint32_t bits = 0;
  if (dx < xLow.load(std::memory_order_relaxed))
    bits |= InputLeft;
  else if (dx > xHigh.load(std::memory_order_relaxed))
    bits |= InputRight;
  if (dy < yLow.load(std::memory_order_relaxed))
    bits |= InputUp;
  else if (dy > yHigh.load(std::memory_order_relaxed))
    bits |= InputDown;
  bits |= (info.buttons & 15u) * 16u;
  return bits;
}

void InputThread::Poll() {
  std::uint32_t bits = 0;
  if (GroupDown(0))
    bits |= InputUp;
  else if (GroupDown(1))
    bits |= InputDown;
  if (GroupDown(3))
    bits |= InputLeft;
  else if (GroupDown(2))
    bits |= InputRight;
  for (int group = 4; group < 8; ++group)
    if (GroupDown(group)) bits |= 1u << group;
  bits |= JoystickBits();
  state.store(bits, std::memory_order_release);
  latch.fetch_and(bits, std::memory_order_acq_rel);
}

void InputThread::SetKeyTable(std::span<const int> codes) {
  Stop();
  keyGroups = InputKeyGroups{};
  LoadInputKeyTable(codes, keyGroups);
  Start();
}

std::uint32_t InputThread::TakePressed(std::uint32_t mask) {
  const std::uint32_t held = State() & mask;
  const std::uint32_t before = latch.fetch_or(held, std::memory_order_acq_rel);
  return held & ~before;
}

}  // namespace oru
