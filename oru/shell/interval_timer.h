/// \file
/// A periodic millisecond timer whose ticks arrive on a timer thread of their own.
///
///   class Metronome : public oru::IntervalTimer {
///     void OnTick() override { ... }           // runs on the timer thread
///   };
///   Metronome m;
///   m.Start(1, nullptr, 0);                    // null callback: OnTick every 1 ms
///   m.Stop();
///
/// Or with a callback of the native five-argument form, which gets the event id of the tick; a
/// callback compares it with Id() to drop ticks of an event that has been replaced:
///
///   static void Tick(std::uint32_t id, std::uint32_t, std::uintptr_t user, std::uintptr_t,
/// std::uintptr_t) {
///     auto* self = reinterpret_cast<Player*>(user);
///     if (id != self->timer.Id()) return;      // a tick of an earlier Start
///     ...
///   }
///   timer.Start(1, &Tick, reinterpret_cast<std::uintptr_t>(this));
///
/// Start and Stop may be called from inside a tick of the same timer. Stop does not wait for a
/// tick that is already executing. A class deriving from IntervalTimer calls Stop in its own
/// destructor: by the time the base destructor stops the timer, OnTick of the derived class
/// may no longer be called.
#pragma once

#include <cstdint>

#include "oru/platform/periodic_timer.h"

namespace oru {

/// A periodic timer the game's clock ticks run on; stopped by its destructor.
class IntervalTimer {
 public:
  /// What the timer calls every period, on its own thread.
  using Callback = PeriodicTimer::Callback;

  IntervalTimer();
  virtual ~IntervalTimer();
  IntervalTimer(const IntervalTimer&) = delete;
  IntervalTimer& operator=(const IntervalTimer&) = delete;

  /// Stops the running event, then starts a new one ticking every periodMs. A null callback
  /// ticks OnTick. Returns the new event's id, or 0 when no event could be created.
  std::uint32_t Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user);

  /// Ends the running event, if any. Always returns true.
  bool Stop();

  /// The running event's id; 0 while idle.
  std::uint32_t Id() const { return timer_.Id(); }

  /// The shortest period the timer device supports, in ms.
  std::uint32_t MinPeriod() const { return minPeriod_; }

  /// Asks for the timer thread to run ahead of ordinary work; quietly ignored when refused.
  void SetTimeCritical(bool timeCritical) { timer_.SetTimeCritical(timeCritical); }

 protected:
  /// Called on the timer thread for each tick when Start was given no callback.
  virtual void OnTick() {}

 private:
  static void DefaultCallback(std::uint32_t id, std::uint32_t message, std::uintptr_t user,
                              std::uintptr_t reserved1, std::uintptr_t reserved2);

  std::uint32_t minPeriod_;
  PeriodicTimer timer_;
};

}  // namespace oru
