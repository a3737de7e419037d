// One frame of the game in a busy Play scene: 20 monkeys, 20 octopuses, 30 shots, 30 ink blots
// and 10 explosions alive over the foreground strips, the clock and the score. An iteration is
// the work of GameWindow::StepFrame without its wait for the next slot: poll the pad, update the
// state (moves, spawns, enemy fire, collision passes), then compose the screen and present the
// dirty tiles into a 32-bit window canvas. The goal is well under a thirtieth of the 30 ms frame.
//
// The game's data files come from the build's game folder (beside the bench folder) or the
// current folder; without them the benchmark reports an error. The scene is laid out again
// (untimed) before every frame so each measured frame sees the same crowd.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "game/gmain.h"
#include "oru/platform/canvas.h"
#include "oru/platform/clock.h"
#include "oru/platform/keystate.h"
#include "oru/platform/process.h"
#include "oru/sound/midi_out.h"
#include "tests/game/run_bot.h"

namespace {

class NullCanvas : public oru::Canvas {
 public:
  void Show(const oru::Rect&) override {}
};

// The music runs as in the game, into a device that drops every message.
class SilentPort : public oru::MidiPort {
 public:
  bool SendShort(std::uint32_t) override { return true; }
  bool SendLong(const std::uint8_t*, std::uint32_t) override { return true; }
  void Reset() override {}
};

class SilentMidi : public oru::MidiBackend {
 public:
  std::unique_ptr<oru::MidiPort> Open(int) override { return std::make_unique<SilentPort>(); }
  bool DeviceName(int, char* name, std::size_t size) override {
    if (size) name[0] = '\0';
    return true;
  }
};

// The game folder: "game-data" beside the folder of this executable, or the current folder.
std::filesystem::path FindGameFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  for (const std::filesystem::path& dir :
       {exe.parent_path().parent_path() / "game-data", std::filesystem::path("game-data"),
        std::filesystem::path(".")}) {
    if (std::filesystem::exists(dir / "kani.dpa", error) ||
        std::filesystem::exists(dir / "kani.bmp", error))
      return dir;
  }
  return {};
}

// Lays out the crowd so that nothing collides: the crab in the top-left corner, the shots in
// three columns next to it flying right, the octopuses and monkeys further right walking left,
// the ink between them, explosions anywhere (they hit nothing).
void LayOutCrowd(brellow::GameWindow& game) {
  using brellow::ItemSet;
  for (ItemSet* set : {&game.crab, &game.monkeys, &game.octopuses, &game.normalShots,
                       &game.switchShots, &game.chargeShots, &game.ink, &game.explosions,
                       &game.mortars, &game.mortarPickups, &game.foreground1, &game.foreground2}) {
    set->KillAll();
  }
  game.crab.Spawn(0, 0);
  game.foreground2.Spawn(0, 0);
  game.foreground2.Spawn(320, 0);
  game.foreground1.Spawn(240, 0);
  game.foreground1.Spawn(480, 0);
  for (int i = 0; i < 30; ++i) {
    ItemSet& shots = i % 2 ? game.switchShots : game.normalShots;
    const int n = shots.Spawn(60 + (i % 3) * 30, 60 + (i / 3) * 40);
    shots.SetVelocity(n, 8, 0);
  }
  for (int i = 0; i < 20; ++i) {
    const int n = game.octopuses.Spawn(400 + (i % 4) * 45, (i / 4) * 95);
    game.octopuses.SetVelocity(n, -2, 0);
    if (brellow::Item* octopus = game.octopuses.Find(n)) octopus->SetCountdown(1000);
  }
  for (int i = 0; i < 20; ++i) {
    const int n = game.monkeys.Spawn(200 + (i % 4) * 50, 10 + (i / 4) * 90);
    game.monkeys.SetVelocity(n, -3, 0);
  }
  for (int i = 0; i < 30; ++i) {
    const int n = game.ink.Spawn(170 + (i % 3) * 80, 5 + (i / 3) * 46);
    game.ink.SetVelocity(n, -6, 0);
  }
  for (int i = 0; i < 10; ++i) {
    const int n = game.explosions.Spawn((i % 5) * 128, 150 + (i / 5) * 180);
    game.explosions.SetFrame(n, i);
  }
  // Animation and steady movement on this frame; no spawn, mortar or clock change.
  game.frameCounter = 2991;
}

// What both game benchmarks run in: the platform's stand-in devices, the game's folder as the
// current one and silent music; all but the devices undone when it goes out of scope.
class GameBenchSetup {
 public:
  GameBenchSetup() {
    oru::UseHeadlessDevices();
    const std::filesystem::path folder = FindGameFolder();
    if (folder.empty()) return;
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    previous_ = oru::MidiOut::SetDefaultBackend(&silent_);
    ready_ = true;
  }
  ~GameBenchSetup() {
    if (!ready_) return;
    oru::MidiOut::SetDefaultBackend(previous_);
    std::filesystem::current_path(saved_);
  }
  GameBenchSetup(const GameBenchSetup&) = delete;
  GameBenchSetup& operator=(const GameBenchSetup&) = delete;

  // False, with the benchmark marked as failed, when the game's data files were not found.
  bool Ready(benchmark::State& state) const {
    if (!ready_) state.SkipWithError("the game's data files were not found (build assetgen_data)");
    return ready_;
  }

 private:
  SilentMidi silent_;
  oru::MidiBackend* previous_ = nullptr;
  std::filesystem::path saved_;
  bool ready_ = false;
};

void BM_GameFrame(benchmark::State& state) {
  GameBenchSetup setup;
  if (!setup.Ready(state)) return;
  oru::ClearKeyState();
  {
    auto canvas = std::make_unique<NullCanvas>();
    auto game = std::make_unique<brellow::GameWindow>();
    game->LoadAssets();
    game->ChangeState(brellow::GameState::Play);
    game->screen.Update(canvas.get(), 0, 0);

    int alive = 0;
    for (auto _ : state) {
      state.PauseTiming();
      LayOutCrowd(*game);
      state.ResumeTiming();
      game->input.Poll();
      game->UpdateState();
      game->screen.Update(canvas.get(), 0, 0);
      alive = game->monkeys.CountAlive() + game->octopuses.CountAlive() +
              game->normalShots.CountAlive() + game->switchShots.CountAlive() +
              game->ink.CountAlive() + game->explosions.CountAlive();
    }
    state.counters["items_alive"] = alive;
    if (game->gameState != brellow::GameState::Play)
      state.SkipWithError("the scene left the Play state");
    game.reset();
  }
}

std::uint32_t benchClock = 0;
std::uint32_t BenchClock() { return benchClock; }

// A whole game replayed without a window: the test bot's winning game is recorded first
// (untimed), then each iteration replays all of it headless from a fresh game. frames_per_s is
// the rate a recorded run is checked at; the goal is 3,000 frames a second on one core.
void BM_GameHeadless(benchmark::State& state) {
  GameBenchSetup setup;
  if (!setup.Ready(state)) return;
  const oru::ClockSource previousClock = oru::SetClockSource(&BenchClock);
  oru::ClearKeyState();
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("oru_bench_run_" + std::to_string(std::random_device{}()) + ".orr"))
                               .string();
  std::uint64_t frames = 0;
  {
    auto game = std::make_unique<brellow::GameWindow>();
    game->LoadAssets();
    brellow::RunRecorder recorder;
    recorder.Open(path.c_str(), game->AssetDigest());
    game->SetRecorder(&recorder);
    game->RunHeadless(nullptr, 1);  // pacing off
    brellow::RunBot bot;
    while (game->gameState != brellow::GameState::GameClear &&
           game->gameState != brellow::GameState::GameOver && game->FramesRun() < 20000) {
      bot.Act(*game);
      benchClock += 30;
      game->StepFrame();
    }
    bot.Release();
    recorder.Close();
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto game = std::make_unique<brellow::GameWindow>();
    game->LoadAssets();
    brellow::RunReplay replay;
    if (!replay.Load(path.c_str(), game->AssetDigest())) {
      state.SkipWithError("the recorded run did not load");
      break;
    }
    state.ResumeTiming();
    game->RunHeadless(&replay, 0);
    frames += game->FramesRun();
    state.PauseTiming();
    game.reset();
    state.ResumeTiming();
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
  std::remove(path.c_str());
  oru::SetClockSource(previousClock);
}

}  // namespace

BENCHMARK(BM_GameFrame)->Name("Game/Frame")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GameHeadless)->Name("Game/Headless")->Unit(benchmark::kMillisecond)->Iterations(3);
