// Sprite blits: our keyed and run-table copies against SDL2's colour-keyed and RLE blitters on
// the same 8-bit pixels, and the opaque copy against the memcpy floor (Memcpy/640x480).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

#include "oru/graphics/blit_copies_internal.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"

namespace {

constexpr int kKey = oru::PaletteTable::kTransparentIndex;
constexpr int kDestWidth = 640, kDestHeight = 480;

// An opaque filled ellipse (varied indices) on a transparent background; its radii of 0.4 of
// the sprite's size leave about half of the pixels transparent.
void DrawEllipseSprite(std::uint8_t* pixels, int pitch, int w, int h) {
  const double rx = w * 0.4, ry = h * 0.4, cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      pixels[y * pitch + x] =
          dx * dx + dy * dy <= 1.0 ? static_cast<std::uint8_t>(10 + (x * 3 + y) % 200) : kKey;
    }
}

// Positions inside the destination; none is a multiple of 16, where SDL's opaque copy switches
// to cache-bypassing stores.
std::array<SDL_Point, 8> Positions(int w, int h) {
  std::array<SDL_Point, 8> out{};
  const int spanX = kDestWidth - w, spanY = kDestHeight - h;
  for (int i = 0; i < 8; ++i) {
    int x = (spanX * (2 * i + 1)) / 16, y = (spanY * ((i * 5) % 8 + 1)) / 9;
    if (x % 16 == 0) x = x > 0 ? x - 3 : x + 3;
    out[static_cast<std::size_t>(i)] = SDL_Point{x, y};
  }
  return out;
}

std::unique_ptr<oru::Surface> MakeSprite(int w, int h, bool runs) {
  auto s = std::make_unique<oru::Surface>();
  s->Create(w, h);
  DrawEllipseSprite(s->pixels, s->pitch, w, h);
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
  const auto positions = Positions(w, h);
  std::size_t i = 0;
  for (auto _ : state) {
    const SDL_Point p = positions[i++ & 7];
    dest.Blit(p.x, p.y, w, h, sprite.get(), 0, 0, 1);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * w * h);
  oru::SetWideBlitCopies(wasWide);
}

void SdlBlit(benchmark::State& state, bool rle, int w, int h) {
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, w, h, 8, SDL_PIXELFORMAT_INDEX8);
  SDL_Surface* dst =
      SDL_CreateRGBSurfaceWithFormat(0, kDestWidth, kDestHeight, 8, SDL_PIXELFORMAT_INDEX8);
  if (!src || !dst) {
    state.SkipWithError("SDL cannot create surfaces");
    return;
  }
  // One palette for both, so the blit is a straight index copy.
  SDL_Palette* palette = SDL_AllocPalette(256);
  SDL_SetSurfacePalette(src, palette);
  SDL_SetSurfacePalette(dst, palette);
  DrawEllipseSprite(static_cast<std::uint8_t*>(src->pixels), src->pitch, w, h);
  SDL_FillRect(dst, nullptr, 3);
  SDL_SetColorKey(src, SDL_TRUE, kKey);
  if (rle) SDL_SetSurfaceRLE(src, 1);
  const auto positions = Positions(w, h);
  std::size_t i = 0;
  for (auto _ : state) {
    const SDL_Point p = positions[i++ & 7];
    SDL_Rect at{p.x, p.y, w, h};
    SDL_BlitSurface(src, nullptr, dst, &at);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * w * h);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
  SDL_FreePalette(palette);
}

void BM_BlitKeyed(benchmark::State& state, int w, int h) { OruBlit(state, false, w, h); }
void BM_BlitRuns(benchmark::State& state, int w, int h) { OruBlit(state, true, w, h); }
// The run-table copy limited to the 16-byte moves every x86-64 has.
void BM_BlitRunsSse2(benchmark::State& state, int w, int h) { OruBlit(state, true, w, h, false); }
void BM_BlitSdlKey(benchmark::State& state, int w, int h) { SdlBlit(state, false, w, h); }
void BM_BlitSdlRle(benchmark::State& state, int w, int h) { SdlBlit(state, true, w, h); }

const bool kSpriteBlitsRegistered = [] {
  const struct {
    const char* label;
    void (*run)(benchmark::State&, int, int);
  } kinds[] = {{"Keyed", BM_BlitKeyed},
               {"Runs", BM_BlitRuns},
               {"RunsSse2", BM_BlitRunsSse2},
               {"SdlKey", BM_BlitSdlKey},
               {"SdlRle", BM_BlitSdlRle}};
  for (const auto& kind : kinds)
    for (auto [w, h] : {std::pair{40, 40}, {96, 96}, {500, 310}}) {
      const std::string name =
          std::string("Blit/") + kind.label + "/" + std::to_string(w) + "x" + std::to_string(h);
      benchmark::RegisterBenchmark(name.c_str(), kind.run, w, h);
    }
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
