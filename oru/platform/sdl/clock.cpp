// The millisecond clock over CLOCK_MONOTONIC, and sleeps.
#include "oru/platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace oru {
namespace {

std::uint32_t MonotonicMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::atomic<ClockSource> clockSource{nullptr};
std::atomic<SleepFunction> sleepFunction{nullptr};

}  // namespace

std::uint32_t TimeGetTime() {
  ClockSource source = clockSource.load(std::memory_order_acquire);
  return source ? source() : MonotonicMs();
}

ClockSource SetClockSource(ClockSource source) {
  return clockSource.exchange(source, std::memory_order_acq_rel);
}

void SleepMs(std::uint32_t ms) {
  if (SleepFunction sleep = sleepFunction.load(std::memory_order_acquire)) {
    sleep(ms);
    return;
  }
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

SleepFunction SetSleepFunction(SleepFunction sleep) {
  return sleepFunction.exchange(sleep, std::memory_order_acq_rel);
}

}  // namespace oru
