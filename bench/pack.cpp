// Pack encoding and decoding on a picture-like 8-bit BMP of about 300 KB (zlib's inflate of the
// same bytes, the yardstick for the decoder, is in pack_zlib.cpp).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bench/pack_fixture.h"
#include "oru/data/pack_codec_internal.h"

namespace oru_bench {

namespace {

void PutLe(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

const Bytes& PictureBmp() {
  static const Bytes bmp = [] {
    constexpr int kWidth = 640, kHeight = 480;
    Bytes out;
    PutLe(out, 19778, 2);
    PutLe(out, 1078 + kWidth * kHeight, 4);
    PutLe(out, 0, 4);
    PutLe(out, 1078, 4);
    for (std::uint32_t v : {40u, std::uint32_t{kWidth}, std::uint32_t{kHeight}}) PutLe(out, v, 4);
    PutLe(out, 1, 2);
    PutLe(out, 8, 2);
    for (std::uint32_t v : {0u, std::uint32_t{kWidth * kHeight}, 2835u, 2835u, 256u, 0u})
      PutLe(out, v, 4);
    for (int i = 0; i < 256; ++i)
      PutLe(out, static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF, 4);
    std::mt19937 rng(1234);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        int v = 16 + (y / 24) % 6;
        if ((x / 40 + y / 30) % 5 == 0) v = 40 + (x / 40) % 4;
        if ((x - 300) * (x - 300) + (y - 200) * (y - 200) < 90 * 90) v = 90;
        if (rng() % 1000 < 20) v = static_cast<int>(rng() % 256);
        out.push_back(static_cast<std::uint8_t>(v));
      }
    }
    return out;
  }();
  return bmp;
}

}  // namespace oru_bench

namespace {

using oru_bench::Bytes;
using oru_bench::PictureBmp;

void BM_PackEncodeScan(benchmark::State& state) {
  const Bytes& source = PictureBmp();
  oru::PackTokens tokens;
  for (auto _ : state) {
    oru::EncodePackScan(source.data(), source.size(), tokens);
    benchmark::DoNotOptimize(tokens.data.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_PackEncodeScan)->Name("Pack/EncodeScan")->Unit(benchmark::kMillisecond);

void BM_PackEncode(benchmark::State& state) {
  const Bytes& source = PictureBmp();
  oru::PackTokens tokens;
  for (auto _ : state) {
    oru::EncodePack(source.data(), source.size(), tokens);
    benchmark::DoNotOptimize(tokens.data.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_PackEncode)->Name("Pack/Encode")->Unit(benchmark::kMillisecond);

void BM_PackDecode(benchmark::State& state) {
  const Bytes& source = PictureBmp();
  oru::PackTokens tokens;
  oru::EncodePack(source.data(), source.size(), tokens);
  Bytes out(source.size());
  for (auto _ : state) {
    bool ok = oru::DecodePack(tokens.flags.data(), tokens.flags.size(), tokens.data.data(),
                              tokens.data.size(), out.data(), out.size());
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_PackDecode)->Name("Pack/Decode")->Unit(benchmark::kMicrosecond);

}  // namespace
