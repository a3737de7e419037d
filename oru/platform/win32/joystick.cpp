// Joysticks on Windows: winmm's joystick services, read on a thread of our own, behind the same
// snapshots the other back end publishes.
//
// winmm has no plug events, so pads are found by polling: an id without a pad asks for the
// pad's capabilities once a second, and a pad whose reading fails counts as gone until such a
// check finds it again. Those calls can take tens of milliseconds (Wine looks for devices anew
// every few seconds, inside whichever call comes then; an id without a pad is slow on Windows
// too), far too long for the game thread, which reads the pad every frame. So the thread that
// JoystickStartUp starts makes every winmm call, reading the pads that are there every 10 ms,
// and the queries only read the published words, as over SDL. Before JoystickStartUp the
// queries read what tests published. Joystick id n is winmm's joystick n.
#include "oru/platform/joystick.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "oru/platform/win32/joystick_internal.h"

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

// Names for the capability record; written by the joystick thread, read by any.
std::mutex nameMutex;
std::array<std::array<char, 32>, kJoystickSlots> names{};

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
  auto clamp16 = [](std::uint32_t v) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 65535));
  };
  if (left != right) s->x = clamp16(left ? ranges[id].xMin.load() : ranges[id].xMax.load());
  if (up != down) s->y = clamp16(up ? ranges[id].yMin.load() : ranges[id].yMax.load());
}

class JoystickThread {
 public:
  // Starts the thread, once; false when it cannot be started.
  bool Start() {
    std::lock_guard lock(mutex_);
    if (started_) return running_;
    started_ = true;
    try {
      thread_ = std::thread([this] { Run(); });
      running_ = true;
    } catch (const std::system_error&) {
      running_ = false;
    }
    return running_;
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
      started_ = true;  // a thread stopped before it started never starts
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  static constexpr auto kReadEvery = std::chrono::milliseconds(10);
  static constexpr ULONGLONG kRecheckMs = 1000;

  struct Pad {
    bool present = false;
    ULONGLONG nextCheck = 0;  // GetTickCount64 of the next capability check while absent
  };

  void Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
      lock.unlock();
      for (unsigned id = 0; id < kJoystickSlots; ++id) Read(id);
      lock.lock();
      wake_.wait_for(lock, kReadEvery, [this] { return quit_; });
    }
  }

  // Finds a pad at id when it is time to look again.
  void Discover(unsigned id, Pad& pad) {
    const ULONGLONG now = GetTickCount64();
    if (now < pad.nextCheck) return;
    pad.nextCheck = now + kRecheckMs;
    JOYCAPSW caps{};
    if (joyGetDevCapsW(id, &caps, sizeof caps) != JOYERR_NOERROR) return;
    pad.present = true;
    SetJoystickRange(id, caps.wXmin, caps.wXmax, caps.wYmin, caps.wYmax);
    caps.szPname[MAXPNAMELEN - 1] = L'\0';
    std::string name = win32::Narrow(caps.szPname);
    if (name.empty()) name = "Joystick";
    std::size_t n = std::min(name.size(), names[id].size() - 1);
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    std::lock_guard lock(nameMutex);
    names[id].fill('\0');
    std::memcpy(names[id].data(), name.data(), n);
  }

  // Reads joystick id into its snapshot.
  void Read(unsigned id) {
    Pad& pad = pads_[id];
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

  std::mutex mutex_;
  std::condition_variable wake_;
  bool started_ = false;
  bool running_ = false;
  bool quit_ = false;
  std::thread thread_;
  std::array<Pad, kJoystickSlots> pads_{};  // the joystick thread's own
};

// Never destroyed: a test that starts the service and never stops it must not end the process
// in the thread's destructor.
JoystickThread& TheJoystickThread() {
  static JoystickThread* const thread = new JoystickThread;
  return *thread;
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
    std::lock_guard lock(nameMutex);
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

bool JoystickStartUp() {
  // winmm's joystick driver answers for a fixed number of ids, whether or not pads are there;
  // none at all means there is no joystick service.
  if (joyGetNumDevs() == 0) return false;
  return TheJoystickThread().Start();
}

namespace win32 {

void StopJoystickThread() { TheJoystickThread().Stop(); }

}  // namespace win32

}  // namespace oru
