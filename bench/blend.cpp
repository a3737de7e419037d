// Colour-changing blits of a 96 x 96 sprite onto a 640 x 480 screen, and building the colour
// tables. Goals: a blended sprite in under 20 microseconds, the tables in under 20 ms.
#include <benchmark/benchmark.h>

#include "oru/graphics/colour_map.h"
#include "oru/graphics/colour_tables.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"

namespace {

constexpr int kSize = 96;
constexpr int kKey = oru::PaletteTable::kTransparentIndex;

// A screen with varied pixels and a sprite whose opaque disc covers about 60% of it, both on
// the default palette, with the colour tables built.
struct Scene {
  oru::Surface screen, sprite;
  Scene() {
    screen.Create(640, 480);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        screen.Lock()[y * screen.Pitch() + x] = static_cast<std::uint8_t>(10 + (x + 7 * y) % 200);
    sprite.Create(kSize, kSize);
    const int c = kSize / 2, r2 = (kSize * 44 / 100) * (kSize * 44 / 100);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        sprite.Lock()[y * sprite.Pitch() + x] =
            (x - c) * (x - c) + (y - c) * (y - c) <= r2
                ? static_cast<std::uint8_t>(10 + (x * 3 + y) % 200)
                : static_cast<std::uint8_t>(kKey);
    sprite.SetTransparentIndex(kKey);
    screen.BuildColourTables();
  }
};

void Draw(benchmark::State& state, Scene& scene) {
  int i = 0;
  for (auto _ : state) {
    scene.screen.Blit(37 + (i & 7) * 61, 29 + (i & 3) * 97, kSize, kSize, &scene.sprite, 0, 0, 0);
    ++i;
    benchmark::ClobberMemory();
  }
}

void BM_Blended(benchmark::State& state) {
  Scene scene;
  scene.sprite.SetTranslucency(50, 40, 30);
  scene.sprite.SetTint(20, -10, 5);
  Draw(state, scene);
}
BENCHMARK(BM_Blended)->Name("Blit/Blended/96x96");

void BM_BlendedRuns(benchmark::State& state) {
  Scene scene;
  scene.sprite.SetTranslucency(50, 40, 30);
  scene.sprite.SetTint(20, -10, 5);
  scene.sprite.BuildRunTable(1);
  Draw(state, scene);
}
BENCHMARK(BM_BlendedRuns)->Name("Blit/BlendedRuns/96x96");

void BM_Mapped(benchmark::State& state) {
  Scene scene;
  oru::ColourMap map;
  map.Build(&scene.screen, 50, 50, 50, 0, 0, 0);
  scene.sprite.colourMap = &map;
  Draw(state, scene);
  scene.sprite.colourMap = nullptr;
}
BENCHMARK(BM_Mapped)->Name("Blit/Mapped/96x96");

void BM_BuildTables(benchmark::State& state) {
  oru::Surface screen;
  screen.Create(640, 480);
  for (auto _ : state) {
    screen.BuildColourTables();
    benchmark::DoNotOptimize(oru::InverseColourTable[12345]);
  }
}
BENCHMARK(BM_BuildTables)->Name("ColourTables/Build")->Unit(benchmark::kMillisecond);

}  // namespace
