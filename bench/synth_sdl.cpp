// The synthesizer's start-up as the game's loading thread does it: the SoundFont found as the game
// finds it, loaded with no preset's samples, then the presets the game's song selects warmed
// (their samples loaded and pinned). An iteration makes and destroys one synthesizer.
//
// rss_mb: the benchmark process's resident memory with the last synthesizer still alive;
// synth_mb: what that synthesizer added to it. The game's song is "brello_s.mid" from the game
// folder (beside the bench folder, or the current folder); without it a stand-in song with the
// same four programs and drum kit is used, and the label says which.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/platform/midi_synth.h"
#include "oru/sound/midi_presets_internal.h"
#include "oru/sound/midi_song.h"

namespace {

double ResidentMegabytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
         (1024.0 * 1024.0);
}

// The game song's presets, or those of the stand-in (the same programs and drum kit).
std::vector<oru::SynthPreset> GamePresets(bool* fromGame) {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  for (const std::filesystem::path& dir :
       {exe.parent_path().parent_path() / "game-data", std::filesystem::path(".")}) {
    oru::DataSource source;
    if (!source.Open((dir / "brello_s.mid").c_str())) continue;
    std::vector<std::uint8_t> bytes(source.Size());
    oru::MidiSong song;
    if (source.Read(bytes.data(), bytes.size()) != bytes.size() ||
        !song.Load(std::span<const std::uint8_t>(bytes)))
      continue;
    std::vector<oru::SynthPreset> presets;
    for (const oru::MidiPreset& p : oru::MidiPresetsOf(song))
      presets.push_back({p.bank, p.program});
    *fromGame = true;
    return presets;
  }
  *fromGame = false;
  return {{0, 24}, {0, 32}, {0, 71}, {0, 73}, {128, 0}};
}

void BM_SynthLoad(benchmark::State& state) {
  bool fromGame = false;
  const std::vector<oru::SynthPreset> presets = GamePresets(&fromGame);
  state.SetLabel(fromGame ? "game song" : "stand-in song");
  const double before = ResidentMegabytes();
  std::unique_ptr<oru::MidiSynth> synth;
  for (auto _ : state) {
    synth.reset();
    synth = oru::MidiSynth::Create(nullptr, nullptr);
    if (synth == nullptr) {
      state.SkipWithError("no SoundFont installed");
      return;
    }
    synth->Warm(presets);
  }
  const double after = ResidentMegabytes();
  state.counters["rss_mb"] = after;
  state.counters["synth_mb"] = after - before;
  state.counters["presets"] = static_cast<double>(presets.size());
}
BENCHMARK(BM_SynthLoad)->Name("Synth/Load")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
