// The millisecond clock over the multimedia timer's timeGetTime, and sleeps.
#include "oru/platform/clock.h"

#include <atomic>

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

std::atomic<ClockSource> clockSource{nullptr};
std::atomic<SleepFunction> sleepFunction{nullptr};

// Asks for the system's 1 ms timer resolution for the whole run, so that timeGetTime and Sleep
// are exact to the millisecond the game's frame pacing counts in.
struct FineResolution {
  FineResolution() { timeBeginPeriod(1); }
  ~FineResolution() { timeEndPeriod(1); }
};

void EnsureFineResolution() { static FineResolution resolution; }

}  // namespace

std::uint32_t TimeGetTime() {
  ClockSource source = clockSource.load(std::memory_order_acquire);
  if (source) return source();
  EnsureFineResolution();
  return timeGetTime();
}

ClockSource SetClockSource(ClockSource source) {
  return clockSource.exchange(source, std::memory_order_acq_rel);
}

void SleepMs(std::uint32_t ms) {
  if (SleepFunction sleep = sleepFunction.load(std::memory_order_acquire)) {
    sleep(ms);
    return;
  }
  EnsureFineResolution();
  Sleep(ms);
}

SleepFunction SetSleepFunction(SleepFunction sleep) {
  return sleepFunction.exchange(sleep, std::memory_order_acq_rel);
}

}  // namespace oru
