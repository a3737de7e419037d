// IntervalTimer over the platform's periodic timer.
#include "oru/shell/interval_timer.h"

namespace oru {

IntervalTimer::IntervalTimer() : minPeriod_(PeriodicTimer::kMinPeriod) {}

IntervalTimer::~IntervalTimer() { Stop(); }

std::uint32_t IntervalTimer::Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user) {
  Stop();
  if (!callback) {
    callback = &IntervalTimer::DefaultCallback;
    user = reinterpret_cast<std::uintptr_t>(this);
  }
  return timer_.Start(periodMs, callback, user);
}

bool IntervalTimer::Stop() {
  timer_.Stop();
  return true;
}

void IntervalTimer::DefaultCallback(std::uint32_t, std::uint32_t, std::uintptr_t user,
                                    std::uintptr_t, std::uintptr_t) {
  reinterpret_cast<IntervalTimer*>(user)->OnTick();
}

}  // namespace oru
