// How well the frame pacer keeps its 30 ms period on the real clock: 300 frames, each with a
// 25 ms stand-in for simulating and composing (a sleep, as a busy frame ends up waiting too),
// and the mean period as a counter. The goal is within 1 % of 30 ms on an idle machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "oru/shell/frame_pacer.h"

namespace {

void BM_PacerPeriod(benchmark::State& state) {
  constexpr int kFrames = 300;
  double totalMs = 0;
  int frames = 0;
  for (auto _ : state) {
    oru::FramePacer pacer;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      pacer.Wait(30);
    }
    totalMs +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    frames += kFrames;
  }
  state.counters["period_ms"] = totalMs / frames;
}
BENCHMARK(BM_PacerPeriod)
    ->Name("Pacer/Period")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
