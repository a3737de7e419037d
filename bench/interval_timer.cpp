// Punctuality of the 1 ms periodic timer the MIDI sequencer runs on. Each iteration waits for one
// tick; the counters give the tick rate (ideally 1 per ms) and the longest gap between two ticks,
// both seen from the timer thread itself.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "oru/shell/interval_timer.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

struct TickLog {
  std::atomic<std::uint64_t> ticks{0};
  std::int64_t firstNs = 0;  // written and read on the timer thread only, until Stop
  std::int64_t lastNs = 0;
  std::int64_t maxGapNs = 0;
};

void Tick(std::uint32_t, std::uint32_t, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
  auto* log = reinterpret_cast<TickLog*>(user);
  const std::int64_t now = SteadyClock::now().time_since_epoch().count();
  if (log->ticks.load(std::memory_order_relaxed) == 0)
    log->firstNs = now;
  else
    log->maxGapNs = std::max(log->maxGapNs, now - log->lastNs);
  log->lastNs = now;
  log->ticks.fetch_add(1, std::memory_order_release);
}

void BM_IntervalTimerTick(benchmark::State& state) {
  TickLog log;
  oru::IntervalTimer timer;
  timer.Start(1, &Tick, reinterpret_cast<std::uintptr_t>(&log));
  std::uint64_t seen = 0;
  for (auto _ : state) {
    std::uint64_t now;
    while ((now = log.ticks.load(std::memory_order_acquire)) == seen)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    seen = now;
  }
  timer.Stop();
  // A tick already under way may still finish; give it time before reading the log.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::uint64_t ticks = log.ticks.load(std::memory_order_acquire);
  if (ticks > 1) {
    const double spanMs = static_cast<double>(log.lastNs - log.firstNs) / 1e6;
    state.counters["ticks_per_ms"] = static_cast<double>(ticks - 1) / spanMs;
    state.counters["gap_us_max"] = static_cast<double>(log.maxGapNs) / 1000.0;
  }
}
BENCHMARK(BM_IntervalTimerTick)->Name("IntervalTimer/1ms_tick")->Iterations(2000)->UseRealTime();

}  // namespace
