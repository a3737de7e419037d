// One frame of the game's kind: a 640 x 480 screen with a backdrop and a scene of 1 sprite of
// 500 x 310, 30 of 96 x 96 and 120 of 40 x 40, all moving a few pixels a frame. Each iteration
// is one Update: backdrop restore, depth-sorted drawing, and the dirty tiles converted into the
// 32-bit window canvas.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "oru/graphics/palette_table.h"
#include "oru/graphics/screen_surface.h"
#include "oru/platform/canvas.h"

namespace {

class NullCanvas : public oru::Canvas {
 public:
  void Show(const oru::Rect&) override {}
};

constexpr int kKey = oru::PaletteTable::kTransparentIndex;

std::unique_ptr<oru::Surface> MakeSprite(int w, int h, int seed) {
  auto s = std::make_unique<oru::Surface>();
  s->Create(w, h);
  const double rx = w * 0.4, ry = h * 0.4, cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      s->pixels[y * s->pitch + x] =
          dx * dx + dy * dy <= 1.0 ? static_cast<std::uint8_t>(10 + (x + y + seed) % 200) : kKey;
    }
  s->SetTransparentIndex(kKey);
  s->BuildRunTable(1);
  return s;
}

struct Mover {
  oru::Surface* sprite;
  int dx, dy;
};

void BM_FrameCompose(benchmark::State& state) {
  auto canvas = std::make_unique<NullCanvas>();
  oru::ScreenSurface screen;
  screen.Create(640, 480);
  oru::Surface background, layer;
  background.Create(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      background.pixels[y * background.pitch + x] =
          static_cast<std::uint8_t>(10 + (x / 8 + y / 8) % 200);
  screen.SetBackdrop(&background);
  screen.SetScene(&layer);

  std::mt19937 rng(7);
  std::vector<std::unique_ptr<oru::Surface>> sprites;
  std::vector<Mover> movers;
  auto add = [&](int w, int h, int count) {
    for (int i = 0; i < count; ++i) {
      sprites.push_back(MakeSprite(w, h, static_cast<int>(sprites.size())));
      oru::Surface* s = sprites.back().get();
      s->SetPosition(static_cast<int>(rng() % (640 - w + 1)),
                     static_cast<int>(rng() % (480 - h + 1)));
      s->SetDepth(static_cast<int>(rng() % 100));
      layer.AddChild(s);
      movers.push_back({s, static_cast<int>(rng() % 5) - 2 + 1, static_cast<int>(rng() % 5) - 2});
    }
  };
  add(500, 310, 1);
  add(96, 96, 30);
  add(40, 40, 120);

  screen.Update(canvas.get(), 0, 0);  // the first frame presents everything
  for (auto _ : state) {
    for (Mover& m : movers) {
      oru::Surface* s = m.sprite;
      if (s->X() + m.dx < -20 || s->X() + m.dx > 640 - s->Width() + 20) m.dx = -m.dx;
      if (s->Y() + m.dy < -20 || s->Y() + m.dy > 480 - s->Height() + 20) m.dy = -m.dy;
      s->MoveBy(m.dx, m.dy, 0);
    }
    screen.Update(canvas.get(), 0, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameCompose)->Name("Frame/Compose");

}  // namespace
