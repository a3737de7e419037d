// The frame pacer.
#include "oru/shell/frame_pacer.h"

#include "oru/platform/clock.h"

namespace oru {

FramePacer::FramePacer() { Reset(); }

void FramePacer::Reset() {
  carry_ = 0;
  enabled_ = true;
  reference_ = TimeGetTime();
}

std::uint32_t FramePacer::Elapsed() const { return TimeGetTime() - reference_; }

std::uint32_t FramePacer::Lap() {
  const std::uint32_t now = TimeGetTime();
  const std::uint32_t elapsed = now - reference_;
  reference_ = now;
  return elapsed;
}

void FramePacer::Shift(std::int32_t ms) { reference_ += static_cast<std::uint32_t>(ms); }

void FramePacer::Wait(std::uint32_t intervalMs) {
  if (!enabled_) return;
  // The schedule is absolute: each deadline is the last one plus the interval, so time lost to
  // oversleeping or a slow frame is made up by the waits after it instead of stretching the game.
  const std::uint32_t deadline = reference_ + intervalMs;
  // Unsigned arithmetic wraps where the signed form would overflow; the result is read as a
  // signed 32-bit difference.
  const auto rest = static_cast<std::int32_t>(deadline - TimeGetTime());
  if (rest < 0) {
    // A rest of INT32_MIN has no positive counterpart; it is far beyond the forget limit anyway.
    carry_ = rest == INT32_MIN ? INT32_MAX : -rest;
    SleepMs(0);
    // After a stall of more than the forget limit the schedule starts again from now rather
    // than racing through the frames it missed.
    reference_ = carry_ > kForgetCarryMs ? TimeGetTime() : deadline;
  } else {
    carry_ = 0;
    SleepMs(static_cast<std::uint32_t>(rest));
    reference_ = deadline;
  }
}

void FramePacer::SetEnabled(bool enabled) {
  carry_ = 0;
  // Switched back on, the schedule starts from now: the frames run unpaced are not made up.
  if (enabled && !enabled_) reference_ = TimeGetTime();
  enabled_ = enabled;
}

}  // namespace oru
