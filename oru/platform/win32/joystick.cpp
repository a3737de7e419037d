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

#include "oru/platform/joystick_store_internal.h"
#include "oru/platform/win32/joystick_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

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
  std::uint32_t xMin = 0, xMax = 65535, yMin = 0, yMax = 65535;
  GetJoystickRange(id, &xMin, &xMax, &yMin, &yMax);
  if (left != right) s->x = clamp16(left ? xMin : xMax);
  if (up != down) s->y = clamp16(up ? yMin : yMax);
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
    SetJoystickName(id, win32::Narrow(caps.szPname).c_str());
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
