/// \file
/// The periodic millisecond timer: the multimedia timer's service (timeSetEvent, timeKillEvent)
/// over a thread of its own.
///
///   PeriodicTimer timer;
///   std::uint32_t id = timer.Start(1, &OnTick, user);   // OnTick(id, 0, user, 0, 0) every 1 ms
///   ...
///   timer.Stop();
///
/// Ticks are due at absolute deadlines, so they do not drift. A tick that comes late (a busy
/// machine) is followed at once by the ones due meanwhile, up to 20 ms worth; after a longer stall
/// the timer starts counting again from now instead of firing all the missed ticks in a burst. The
/// callback runs with no lock held, so it may call Start and Stop of its own timer (to end itself
/// or to change the period). Every Start gives a new event id, unique in the process; a tick
/// carries the id of the event it belongs to, so a callback can recognise a tick of an event that
/// has since been replaced.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace oru {

/// A timer that calls its callback every period on a thread of its own.
class PeriodicTimer {
 public:
  /// The native callback's five arguments: event id, message (always 0), the user value and two
  /// reserved words (always 0).
  using Callback = void (*)(std::uint32_t id, std::uint32_t message, std::uintptr_t user,
                            std::uintptr_t reserved1, std::uintptr_t reserved2);

  /// The shortest period the timer supports, in ms.
  static constexpr std::uint32_t kMinPeriod = 1;

  PeriodicTimer();
  ~PeriodicTimer();
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  /// Replaces the running event, if any, by a new one ticking every periodMs from now. Returns
  /// the new event's id, or 0 (and nothing runs) for a period below kMinPeriod, a null callback
  /// or when the timer thread cannot be started.
  std::uint32_t Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user);

  /// Ends the running event. A tick already executing on the timer thread finishes; no tick of
  /// the event starts after Stop returns. Does not wait, so it is safe inside a tick.
  void Stop();

  /// The running event's id; 0 when none runs.
  std::uint32_t Id() const;

  /// Asks for the timer thread to run ahead of ordinary work (RaiseThreadPriority), from its next
  /// wake-up on; a refusal is ignored. For timers whose lateness is heard, like the music's.
  void SetTimeCritical(bool timeCritical);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace oru
