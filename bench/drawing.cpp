// Text and shapes: the score line's repaint (done on every point won), the meters' repaints
// (the charge gauge and clock change every frame) and plain colour fills.
#include <benchmark/benchmark.h>

#include "oru/graphics/meter.h"
#include "oru/graphics/score_display.h"
#include "oru/graphics/surface.h"

namespace {

void BM_ScoreRedraw(benchmark::State& state) {
  oru::ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  score.SetCaption("Score:");
  score.SetSuffix("_");
  int value = 0;
  for (auto _ : state) score.SetValue(value++);
}
BENCHMARK(BM_ScoreRedraw);

void BM_MeterRedraw(benchmark::State& state) {
  oru::Meter meter;
  const bool dial = state.range(0) == oru::MeterDial;
  meter.Create(dial ? 100 : 300, dial ? 100 : 10);
  meter.SetColours(0xFFFFFF, 0xFF0000, 1);
  meter.SetStyle(static_cast<int>(state.range(0)), oru::MeterHorizontal);
  meter.SetMaximum(dial ? 3600 : 255);
  int value = 0;
  for (auto _ : state) meter.SetValue(value++ % meter.GetMaximum());
}
BENCHMARK(BM_MeterRedraw)->Arg(oru::MeterBar)->Arg(oru::MeterDial);

void BM_FillRectColour(benchmark::State& state) {
  oru::Surface surface;
  surface.Create(640, 480);
  for (auto _ : state) surface.FillRectColour(oru::Rect{0, 0, 640, 480}, 0x0080FF);
  state.SetBytesProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_FillRectColour);

void BM_DrawTextSizedOutlined(benchmark::State& state) {
  oru::Surface surface;
  surface.Create(640, 480);
  for (auto _ : state) surface.DrawTextSized(20, 20, "Score:1234_", 20, 0x00FFFF, 0);
}
BENCHMARK(BM_DrawTextSizedOutlined);

}  // namespace
