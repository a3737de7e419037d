// SDL2's colour-keyed and RLE blitters on the same 8-bit sprites as our own blits (blit.cpp),
// as the yardstick for them; built where SDL2 is the platform's library.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "bench/blit_fixture.h"

namespace {

void SdlBlit(benchmark::State& state, bool rle, int w, int h) {
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
  SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(
      0, oru_bench::kDestWidth, oru_bench::kDestHeight, 8, SDL_PIXELFORMAT_INDEX8);
  if (!src || !dst) {
    state.SkipWithError("SDL cannot create surfaces");
    return;
  }
  // One palette for both, so the blit is a straight index copy.
  SDL_Palette* palette = SDL_AllocPalette(256);
  SDL_SetSurfacePalette(src, palette);
  SDL_SetSurfacePalette(dst, palette);
  oru_bench::DrawEllipseSprite(static_cast<std::uint8_t*>(src->pixels), src->pitch, w, h);
  SDL_FillRect(dst, nullptr, 3);
  SDL_SetColorKey(src, SDL_TRUE, oru_bench::kKey);
  if (rle) SDL_SetSurfaceRLE(src, 1);
  const auto positions = oru_bench::Positions(w, h);
  std::size_t i = 0;
  for (auto _ : state) {
    const oru_bench::BlitPoint p = positions[i++ & 7];
    SDL_Rect at{p.x, p.y, w, h};
    SDL_BlitSurface(src, nullptr, dst, &at);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * w * h);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
  SDL_FreePalette(palette);
}

void BM_BlitSdlKey(benchmark::State& state, int w, int h) { SdlBlit(state, false, w, h); }
void BM_BlitSdlRle(benchmark::State& state, int w, int h) { SdlBlit(state, true, w, h); }

const bool kSdlBlitsRegistered = [] {
  oru_bench::RegisterSpriteBlits("SdlKey", BM_BlitSdlKey);
  oru_bench::RegisterSpriteBlits("SdlRle", BM_BlitSdlRle);
  return true;
}();

}  // namespace
