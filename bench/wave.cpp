// Wave/Load: the game's four sound effects loaded as the game loads them (through the data
// sources, from their packs in the game folder), checked and converted once to a 48 kHz mixer's
// rate with the band-limited resampler, and given their three voices. An iteration loads all
// four; the conversion the mixer no longer does while it plays is paid here.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "oru/platform/audio_mixer.h"
#include "oru/sound/wave_sound.h"

namespace {

std::filesystem::path GameFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  for (const std::filesystem::path& dir :
       {exe.parent_path().parent_path() / "game-data", std::filesystem::path(".")})
    if (std::filesystem::exists(dir / "CRASH.dpa", error) ||
        std::filesystem::exists(dir / "CRASH.WAV", error))
      return dir;
  return {};
}

void BM_WaveLoad(benchmark::State& state) {
  const std::filesystem::path dir = GameFolder();
  if (dir.empty()) {
    state.SkipWithError("the game's data files were not found");
    return;
  }
  oru::AudioMixer mixer(48000);
  std::vector<std::string> names;
  for (const char* file : {"SUCKER1.WAV", "BLEEP04.WAV", "WHISTLE2.WAV", "CRASH.WAV"})
    names.push_back((dir / file).string());
  for (auto _ : state) {
    for (const std::string& name : names) {
      oru::WaveSound sound(&mixer);
      if (!sound.Load(name.c_str(), nullptr)) {
        state.SkipWithError("a sound did not load");
        return;
      }
      benchmark::DoNotOptimize(sound.VoiceId(0));
    }
  }
}
BENCHMARK(BM_WaveLoad)->Name("Wave/Load")->Unit(benchmark::kMillisecond);

}  // namespace
