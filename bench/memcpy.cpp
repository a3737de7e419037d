// Baseline figures the other benchmarks are read against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// A 640 by 480 8-bit frame copied row by row with the same pitch: the floor for an opaque blit.
void BM_Memcpy(benchmark::State& state) {
  constexpr int kWidth = 640, kHeight = 480, kPitch = 640;
  std::vector<unsigned char> src(kPitch * kHeight, 7), dst(kPitch * kHeight);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(dst.data() + y * kPitch, src.data() + y * kPitch, kWidth);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memcpy)->Name("Memcpy/640x480");

}  // namespace
