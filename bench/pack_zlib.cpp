// zlib's inflate of the pack benchmarks' picture: the yardstick for the pack decoder
// (Pack/Decode), built where zlib is at hand.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include "bench/pack_fixture.h"

namespace {

using oru_bench::Bytes;
using oru_bench::PictureBmp;

void BM_ZlibInflate(benchmark::State& state) {
  const Bytes& source = PictureBmp();
  uLongf packedSize = compressBound(static_cast<uLong>(source.size()));
  Bytes packed(packedSize);
  compress2(packed.data(), &packedSize, source.data(), static_cast<uLong>(source.size()),
            Z_DEFAULT_COMPRESSION);
  Bytes out(source.size());
  for (auto _ : state) {
    uLongf outSize = static_cast<uLongf>(out.size());
    int result = uncompress(out.data(), &outSize, packed.data(), packedSize);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_ZlibInflate)->Name("Zlib/Inflate")->Unit(benchmark::kMicrosecond);

}  // namespace
