// The frame pacer: keeps frames a fixed interval apart on the millisecond clock.
//
//   oru::FramePacer pacer;            // enabled, reference = now
//   for (;;) {
//     Simulate();
//     if (pacer.Carry() == 0) Present();   // a late frame is simulated but not shown
//     pacer.Wait(30);
//   }
//
// Wait sleeps out what is left of the interval since the end of the previous wait. A frame that
// overruns leaves a carry (the overshoot) that shortens the following waits until it is paid
// off; a carry above half a second is forgotten rather than made up. Everything is read from
// TimeGetTime, so tests drive the pacer with an injected clock. Used by one thread.
#pragma once

#include <cstdint>

namespace oru {

class FramePacer {
 public:
  static constexpr std::int32_t kForgetCarryMs = 500;

  FramePacer();

  // carry = 0, enabled, reference = now.
  void Reset();
  // Milliseconds since the reference (modulo 2^32).
  std::uint32_t Elapsed() const;
  // Elapsed, then the reference moves to now.
  std::uint32_t Lap();
  // Moves the reference by ms.
  void Shift(std::int32_t ms);
  // Sleeps until intervalMs after the reference, less the carry; does nothing while disabled.
  void Wait(std::uint32_t intervalMs);

  std::int32_t Carry() const { return carry_; }
  bool IsEnabled() const { return enabled_; }
  // Also drops the carry.
  void SetEnabled(bool enabled);

 private:
  std::int32_t carry_ = 0;
  std::uint32_t reference_ = 0;
  bool enabled_ = true;
};

}  // namespace oru
