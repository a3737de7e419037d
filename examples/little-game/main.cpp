// little-game: a bird flies over a scrolling landscape, catching coins (a chime, ten points) and
// dodging rocks (five points lost) while a tune loops. Arrows (or the numeric pad, or a joystick)
// fly, Escape quits.
//
// Everything it shows and plays comes from packs in its folder, made at build time by
// little-game-art and `oru pack`. RunGame (oru/game_loop/game.h) runs the loop; LoadSprite
// (oru/graphics/keyed_sprite.h) loads, keys and converts each picture in one call.
//
//   little-game [--frames N] [--headless] [--scale N] [--full-screen]
//
// Without a window (--headless) nobody holds the keys, so the bird follows a built-in flight
// plan; the run is the same every time, and so is the score printed at the end.
#include <oru/data/last_error.h>
#include <oru/game_loop/game.h>
#include <oru/graphics/keyed_sprite.h>
#include <oru/graphics/score_display.h>
#include <oru/sound/midi_sequencer.h>
#include <oru/sound/wave_sound.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace {

using namespace oru;

constexpr int kWidth = 640, kHeight = 480, kSkyWidth = 1280;
constexpr int kBirdWidth = 48, kBirdHeight = 32, kSpeed = 5;
constexpr int kCoinPoints = 10, kRockPoints = 5;

constexpr unsigned Bit(int button) { return 1u << button; }

// The headless flight plan: buttons held for a number of frames, repeated.
struct Leg {
  int frames;
  unsigned buttons;
};
constexpr Leg kFlightPlan[] = {
    {24, Bit(PadDown)},
    {30, 0},
    {40, Bit(PadUp)},
    {20, Bit(PadRight)},
    {30, Bit(PadDown)},
    {20, Bit(PadLeft)},
    {16, Bit(PadUp) | Bit(PadRight)},
    {30, 0},
};

unsigned FlightPlanButtons(std::uint64_t frame) {
  int total = 0;
  for (const Leg& leg : kFlightPlan) total += leg.frames;
  int at = static_cast<int>(frame % static_cast<std::uint64_t>(total));
  for (const Leg& leg : kFlightPlan) {
    if (at < leg.frames) return leg.buttons;
    at -= leg.frames;
  }
  return 0;
}

// Coins and rocks: a few surfaces sharing one loaded picture, reused as they leave the screen.
template <int N>
struct Pool {
  Surface picture;
  std::array<Surface, N> items;
  int speed = 0;

  void Join(Surface& scene) {
    for (Surface& item : items) {
      item.ShareImage(&picture);
      item.SetVisible(0);
      item.SetDepth(1);
      scene.AddChild(&item);
    }
  }
  void Spawn(int y) {
    for (Surface& item : items)
      if (!item.IsVisible()) {
        item.SetPosition(kWidth, y);
        item.SetVisible(1);
        return;
      }
  }
  // Moves the items left; returns how many of them the bird touched (those vanish).
  int Move(Surface& bird) {
    int hits = 0;
    for (Surface& item : items) {
      if (!item.IsVisible()) continue;
      item.MoveBy(-speed, 0, 0);
      if (item.X() + item.Width() < 0) item.SetVisible(0);
      if (item.IsVisible() && bird.OverlapsSurface(&item)) {
        item.SetVisible(0);
        ++hits;
      }
    }
    return hits;
  }
};

class LittleGame : public Game {
 public:
  bool Load(GameContext& g) override {
    if (!LoadSprite(sky_, "sky.bmp", {.keyed = false}) || !LoadSprite(bird_, "bird.bmp") ||
        !LoadSprite(coins_.picture, "coin.bmp") || !LoadSprite(rocks_.picture, "rock.bmp")) {
      std::fprintf(stderr, "little-game: %s\n", LastError());
      return false;
    }
    bird_.SetFrameSize(kBirdWidth, kBirdHeight);
    bird_.SetFrameCount(2);
    bird_.SetPosition(80, 200);
    bird_.SetDepth(2);
    g.scene.AddChild(&bird_);
    coins_.speed = 4;
    coins_.Join(g.scene);
    rocks_.speed = 7;
    rocks_.Join(g.scene);

    // UTF-8, copied by the display; the star is drawn from the font's Japanese set.
    score_.SetCaptionUtf8("★ Score: ");
    score_.Create(200, 24);
    score_.SetValue(0);
    score_.SetTransparentFromPixel(0, 0);
    score_.SetPosition(10, 8);
    score_.SetDepth(3);
    g.scene.AddChild(&score_);

    // Sounds are a pleasure, not a need: a machine without them plays on in silence.
    chime_.SetWindow(g.Window());
    if (!chime_.Load("chime.wav", nullptr) || !music_.Load("tune.mid", nullptr))
      std::fprintf(stderr, "little-game: playing without sound (%s)\n", LastError());
    music_.SetLoop(true);
    music_.Play();
    return true;
  }

  void Frame(GameContext& g) override {
    unsigned held = 0;
    if (g.Headless()) {
      held = FlightPlanButtons(g.FrameNumber());
    } else {
      for (int button : {PadUp, PadRight, PadDown, PadLeft})
        if (g.pad.Held(button)) held |= Bit(button);
    }
    const int dx = (held & Bit(PadRight) ? kSpeed : 0) - (held & Bit(PadLeft) ? kSpeed : 0);
    const int dy = (held & Bit(PadDown) ? kSpeed : 0) - (held & Bit(PadUp) ? kSpeed : 0);
    bird_.SetPosition(std::clamp(bird_.X() + dx, 0, kWidth - kBirdWidth),
                      std::clamp(bird_.Y() + dy, 40, kHeight - 40 - kBirdHeight));
    if (g.FrameNumber() % 6 == 0) bird_.AdvanceFrame();

    // The sky moves two pixels a frame and wraps round; the whole screen is drawn again.
    scroll_ = (scroll_ + 2) % kSkyWidth;
    const int first = std::min(kWidth, kSkyWidth - scroll_);
    g.backdrop.Blit(0, 0, first, kHeight, &sky_, scroll_, 0, 0);
    if (first < kWidth) g.backdrop.Blit(first, 0, kWidth - first, kHeight, &sky_, 0, 0, 0);
    g.backdrop.RequestFullRedraw();
    g.screen.RequestFullRedraw();

    // The same numbers every run: a small generator of its own, not the system's.
    seed_ = seed_ * 1103515245u + 12345u;
    const int lane = 40 + static_cast<int>((seed_ >> 16) % 360);
    if (g.FrameNumber() % 20 == 0) coins_.Spawn(lane);
    if (g.FrameNumber() % 45 == 30) rocks_.Spawn(lane);
    if (const int caught = coins_.Move(bird_)) {
      score_.Add(caught * kCoinPoints);
      chime_.Play(0);
    }
    if (const int hit = rocks_.Move(bird_)) score_.Subtract(hit * kRockPoints);
    ++frames;
  }

  void Close(GameContext&) override { music_.Stop(); }

  int Score() const { return score_.GetValue(); }
  int frames = 0;

 private:
  Surface sky_, bird_;
  Pool<6> coins_;
  Pool<3> rocks_;
  ScoreDisplay score_{20, 0xFFFFFF};
  WaveSound chime_;
  MidiSequencer music_;
  int scroll_ = 0;
  std::uint32_t seed_ = 2026;
};

}  // namespace

int main(int argc, char** argv) {
  GameSettings settings{.caption = "little-game"};
  if (const int code = ReadGameOptions(argc, argv, settings); code != kRunTheGame) return code;
  LittleGame game;
  const int code = RunGame(settings, game);
  std::printf("little-game: score %d after %d frames\n", game.Score(), game.frames);
  return code;
}
