/// \file
/// The frame pacer: keeps frames a fixed interval apart on the millisecond clock.
///
///   oru::FramePacer pacer;            // enabled, reference = now
///   for (;;) {
///     Simulate();
///     if (pacer.Carry() == 0) Present();   // a late frame is simulated but not shown
///     pacer.Wait(30);
///   }
///
/// Wait sleeps until the next deadline of a fixed schedule: each deadline is the previous one
/// plus the interval, so a wait that oversleeps or a frame that overruns is made up by the
/// following waits and the game keeps time. A frame that ends past its deadline leaves a carry
/// (how late it is) until the schedule is caught up; after a stall of more than half a second
/// the schedule restarts from now instead of racing through the missed frames. Reset (at the
/// start of a loop) and switching pacing back on also restart it. Everything is read from
/// TimeGetTime, so tests drive the pacer with an injected clock. Used by one thread.
#pragma once

#include <cstdint>

namespace oru {

/// Keeps frames a fixed interval apart on the millisecond clock.
class FramePacer {
 public:
  /// A frame later than this restarts the schedule instead of catching up.
  static constexpr std::int32_t kForgetCarryMs = 500;

  FramePacer();

  ///@{
  /// carry = 0, enabled, reference = now.
  void Reset();
  /// Milliseconds since the reference (modulo 2^32).
  std::uint32_t Elapsed() const;
  /// Elapsed, then the reference moves to now.
  std::uint32_t Lap();
  /// Moves the reference by ms.
  void Shift(std::int32_t ms);
  /// Sleeps until intervalMs after the reference (the previous deadline), which becomes the new
  /// reference; does nothing while disabled.
  void Wait(std::uint32_t intervalMs);
  ///@}

  /// How many milliseconds late the latest frame ended; 0 when on time.
  std::int32_t Carry() const { return carry_; }
  /// Whether Wait sleeps.
  bool IsEnabled() const { return enabled_; }
  /// Also drops the carry; switching on restarts the schedule from now.
  void SetEnabled(bool enabled);

 private:
  std::int32_t carry_ = 0;
  std::uint32_t reference_ = 0;
  bool enabled_ = true;
};

}  // namespace oru
