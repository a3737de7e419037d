// The audio mixer: one second of output with twelve sound effects playing and the synthesizer
// playing the game's tune, rendered in device-sized blocks. The time per iteration is the time
// needed for one second of sound; cpu_percent reads it as a share of one core.
//
// The tune is "brello_s.mid" from the game's folder when the benchmark runs where it can find it
// (the build folder or the game folder); otherwise a generated four-part tune stands in. The
// label says which one played.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/platform/audio_mixer.h"
#include "oru/platform/midi_synth.h"
#include "oru/sound/midi_out.h"
#include "oru/sound/midi_presets_internal.h"
#include "oru/sound/midi_song.h"
#include "oru/sound/wave_file.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 512;
constexpr int kVoices = 12;

// A generated tune: melody, bass, chords and drums, eighth notes at 150 beats per minute.
class Tune {
 public:
  explicit Tune(oru::MidiSynth* synth) : synth_(synth) {
    Send(0xC0, 73, 0);  // flute
    Send(0xC1, 33, 0);  // bass
    Send(0xC2, 0, 0);   // piano
    Send(0xB0, 7, 100);
    Send(0xB1, 7, 110);
    Send(0xB2, 7, 90);
  }
  // Advances by one block of frames, sending the notes whose time has come.
  void Step(int frames) {
    framesToNext_ -= frames;
    while (framesToNext_ <= 0) {
      Eighth();
      framesToNext_ += kRate / 5;  // an eighth note at 150 beats per minute
    }
  }

 private:
  void Send(std::uint8_t status, std::uint8_t a, std::uint8_t b) {
    synth_->SendShort(oru::PackMidiMessage(status, a, b));
  }
  void Eighth() {
    static const int melody[] = {72, 74, 76, 79, 76, 74, 72, 67};
    static const int bass[] = {36, 43, 41, 43};
    static const int chords[][3] = {{60, 64, 67}, {59, 62, 67}, {57, 60, 65}, {59, 62, 67}};
    const int step = step_++;
    Send(0x80, static_cast<std::uint8_t>(melody[(step + 7) % 8]), 0);
    Send(0x90, static_cast<std::uint8_t>(melody[step % 8]), 100);
    if (step % 2 == 0) {
      const int bar = (step / 8) % 4, lastBar = (step / 8 + 3) % 4;
      Send(0x81, static_cast<std::uint8_t>(bass[lastBar]), 0);
      Send(0x91, static_cast<std::uint8_t>(bass[bar]), 110);
    }
    if (step % 8 == 0) {
      const int bar = (step / 8) % 4, lastBar = (step / 8 + 3) % 4;
      for (int k = 0; k < 3; ++k) Send(0x82, static_cast<std::uint8_t>(chords[lastBar][k]), 0);
      for (int k = 0; k < 3; ++k) Send(0x92, static_cast<std::uint8_t>(chords[bar][k]), 80);
    }
    Send(0x99, step % 4 == 0 ? 36 : step % 4 == 2 ? 38 : 42, 100);  // kick, snare, hat
  }

  oru::MidiSynth* synth_;
  int framesToNext_ = 0;
  int step_ = 0;
};

// Plays a loaded song straight from its entry list, a block at a time, looping at its end.
class SongPlayer {
 public:
  SongPlayer(const oru::MidiSong& song, oru::MidiSynth* synth) : song_(song), synth_(synth) {}

  void Step(int frames) {
    // Song ticks in this block at the tempo in force.
    now_ += static_cast<double>(frames) / kRate * 1e6 / tempo_ * song_.Division();
    while (index_ < song_.EventCount() && next_ <= now_) {
      const oru::MidiEvent& e = song_.Entry(index_);
      if (e.status == 0xF0) {
        if (const oru::SysExMessage* m = song_.SysEx(e.Value())) {
          std::uint32_t n = m->BufferLength();
          if (n > 1 && m->Buffer()[n - 1] == 0xF7) --n;
          if (n > 1) synth_->SendSysEx(m->Buffer() + 1, n - 1);
        }
      } else if (e.status == 0xFF) {
        const std::uint32_t tempo =
            e.Value() | static_cast<std::uint32_t>(song_.Entry(index_ + 1).Value()) << 16;
        if (tempo != 0) tempo_ = tempo;
        ++index_;
      } else {
        synth_->SendShort(e.Message());
      }
      ++index_;
      if (index_ >= song_.EventCount()) {
        index_ = 0;
        now_ = next_ = 0;
        break;
      }
      next_ += song_.Entry(index_).delta;
    }
  }

 private:
  const oru::MidiSong& song_;
  oru::MidiSynth* synth_;
  int index_ = 0;
  double now_ = 0, next_ = 0;
  double tempo_ = 400000;
};

bool LoadGameTune(oru::MidiSong* song) {
  for (const char* name : {"brello_s.mid", "game-data/brello_s.mid", "../game-data/brello_s.mid"}) {
    oru::DataSource source;
    if (!source.Open(name)) continue;
    std::vector<std::uint8_t> bytes(source.Size());
    if (source.Read(bytes.data(), bytes.size()) != bytes.size()) continue;
    if (song->Load(std::span<const std::uint8_t>(bytes)) && song->EventCount() > 0) return true;
  }
  return false;
}

// Twelve different effects, 8-bit and 16-bit, mono and stereo, at rates other than the mixer's
// (converted when made, as a sound's load does), each long enough to keep playing through the
// whole second.
std::vector<int> MakeVoices(oru::AudioMixer& mixer) {
  std::vector<int> ids;
  for (int i = 0; i < kVoices; ++i) {
    const int channels = 1 + i % 2, bits = i % 3 == 0 ? 8 : 16, rate = i % 2 ? 22050 : 11025;
    const int frames = rate * 2;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * channels * bits / 8);
    for (std::size_t b = 0; b < bytes.size(); ++b)
      bytes[b] = static_cast<std::uint8_t>(b * (7 + i));
    std::vector<float> samples;
    oru::PcmFormat format;
    format.channels = channels;
    format.rate = rate;
    format.bitsPerSample = bits;
    oru::ConvertPcm(format, bytes.data(), bytes.size(), mixer.Rate(), &samples);
    ids.push_back(mixer.CreateVoice(std::make_shared<const std::vector<float>>(std::move(samples)),
                                    channels));
    mixer.SetPan(ids.back(), (i - 6) * 300);
  }
  return ids;
}

// The timed loop of both benchmarks: each iteration restarts the voices and mixes one second of
// sound a block at a time, calling feed(frames) before each block to drive the synthesizer.
// Destroys the voices at the end.
template <typename Feed>
void PlaySeconds(benchmark::State& state, oru::AudioMixer& mixer, const std::vector<int>& voices,
                 Feed feed) {
  std::vector<float> out(2 * kBlock);
  for (auto _ : state) {
    for (int id : voices) {
      mixer.Stop(id);
      mixer.Rewind(id);
      mixer.Start(id);
    }
    for (int done = 0; done < kRate; done += kBlock) {
      feed(kBlock);
      mixer.Mix(out.data(), kBlock);
      benchmark::DoNotOptimize(out.data());
    }
  }
  // CPU time per second of sound as a percentage of one core (the counter prints an "s" suffix).
  state.counters["cpu_percent"] =
      benchmark::Counter(static_cast<double>(state.iterations()) / 100.0,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  for (int id : voices) mixer.DestroyVoice(id);
}

void BM_MixerMix(benchmark::State& state) {
  oru::AudioMixer mixer(kRate);
  std::unique_ptr<oru::MidiSynth> synth = oru::MidiSynth::Create(&mixer, nullptr);
  if (!synth) {
    state.SkipWithError("no SoundFont installed");
    return;
  }
  std::vector<int> voices = MakeVoices(mixer);
  oru::MidiSong song;
  const bool gameTune = LoadGameTune(&song);
  state.SetLabel(gameTune ? "game tune" : "generated tune");
  // As the game does, what the tune plays is warmed before it plays.
  std::vector<oru::SynthPreset> presets{{0, 0}, {0, 33}, {0, 73}, {128, 0}};
  if (gameTune) {
    presets.clear();
    for (const oru::MidiPreset& p : oru::MidiPresetsOf(song))
      presets.push_back({p.bank, p.program});
  }
  synth->Warm(presets);
  SongPlayer player(song, synth.get());
  Tune tune(synth.get());
  PlaySeconds(state, mixer, voices, [&](int frames) {
    if (gameTune) {
      player.Step(frames);
    } else {
      tune.Step(frames);
    }
  });
}
BENCHMARK(BM_MixerMix)->Name("Mixer/Mix")->Unit(benchmark::kMillisecond);

// The voices alone, without the synthesizer: the mixer's own share.
void BM_MixerVoices(benchmark::State& state) {
  oru::AudioMixer mixer(kRate);
  std::vector<int> voices = MakeVoices(mixer);
  PlaySeconds(state, mixer, voices, [](int) {});
}
BENCHMARK(BM_MixerVoices)->Name("Mixer/Voices")->Unit(benchmark::kMillisecond);

}  // namespace
