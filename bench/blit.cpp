// Sprite blits: our keyed and run-table copies (SDL2's blitters on the same pixels are in
// blit_sdl.cpp), and the opaque copy against the memcpy floor (Memcpy/640x480).
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

#include "bench/blit_fixture.h"
#include "oru/graphics/blit_copies_internal.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"

namespace {

using oru_bench::kDestHeight;
using oru_bench::kDestWidth;
using oru_bench::kKey;

std::unique_ptr<oru::Surface> MakeSprite(int w, int h, bool runs) {
  auto s = std::make_unique<oru::Surface>();
  s->Create(w, h);
  oru_bench::DrawEllipseSprite(s->pixels, s->pitch, w, h);
  s->SetTransparentIndex(kKey);
  s->BuildRunTable(runs ? 1 : 0);
  return s;
}

void OruBlit(benchmark::State& state, bool runs, int w, int h, bool wide = true) {
  const int wasWide = oru::SetWideBlitCopies(wide ? 1 : 0);
  auto sprite = MakeSprite(w, h, runs);
  oru::Surface dest;
  dest.Create(kDestWidth, kDestHeight);
  dest.Fill(3);
  dest.fullRedraw = 0;
  const auto positions = oru_bench::Positions(w, h);
  std::size_t i = 0;
  for (auto _ : state) {
    const oru_bench::BlitPoint p = positions[i++ & 7];
    dest.Blit(p.x, p.y, w, h, sprite.get(), 0, 0, 1);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * w * h);
  oru::SetWideBlitCopies(wasWide);
}

void BM_BlitKeyed(benchmark::State& state, int w, int h) { OruBlit(state, false, w, h); }
void BM_BlitRuns(benchmark::State& state, int w, int h) { OruBlit(state, true, w, h); }
// The run-table copy limited to the 16-byte moves every x86-64 has.
void BM_BlitRunsSse2(benchmark::State& state, int w, int h) { OruBlit(state, true, w, h, false); }

const bool kSpriteBlitsRegistered = [] {
  oru_bench::RegisterSpriteBlits("Keyed", BM_BlitKeyed);
  oru_bench::RegisterSpriteBlits("Runs", BM_BlitRuns);
  oru_bench::RegisterSpriteBlits("RunsSse2", BM_BlitRunsSse2);
  return true;
}();

// A whole opaque 640 x 480 picture onto a surface of the same size.
void BM_BlitOpaque(benchmark::State& state) {
  oru::Surface src, dest;
  src.Create(kDestWidth, kDestHeight);
  src.Fill(7);
  dest.Create(kDestWidth, kDestHeight);
  dest.fullRedraw = 0;
  for (auto _ : state) {
    dest.Blit(0, 0, kDestWidth, kDestHeight, &src, 0, 0, 1);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDestWidth * kDestHeight);
}
BENCHMARK(BM_BlitOpaque)->Name("Blit/Opaque/640x480");

}  // namespace

namespace oru_bench {

void RegisterSpriteBlits(const char* label, void (*run)(benchmark::State&, int, int)) {
  for (auto [w, h] : {std::pair{40, 40}, {96, 96}, {500, 310}}) {
    const std::string name =
        std::string("Blit/") + label + "/" + std::to_string(w) + "x" + std::to_string(h);
    benchmark::RegisterBenchmark(name.c_str(), run, w, h);
  }
}

}  // namespace oru_bench
