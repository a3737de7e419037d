// The synthesizer's samples: only the presets a song selects are loaded, on the loading thread,
// and the audio thread never reads the SoundFont, not even at a General MIDI reset. Needs a
// General MIDI SoundFont; skipped without one.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oru/platform/audio_device.h"
#include "oru/platform/midi_synth.h"
#include "oru/sound/midi_presets_internal.h"
#include "tests/sound/midi_file_builder.h"
#include "tests/support/wait_for.h"

namespace oru {
namespace {

using test::MidiFileBuilder;

// A mixer rendered on a thread of its own, as the device's callback would, counting its blocks
// and, at the end, the SoundFont reads made on that thread.
class AudioThread {
 public:
  explicit AudioThread(AudioMixer& mixer)
      : thread_([this, &mixer] {
          std::vector<float> out(2 * 512);
          while (run_.load()) {
            mixer.Mix(out.data(), 512);
            blocks_.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          reads_ = MidiSynth::SoundFontReadsOnThisThread();
        }) {}
  ~AudioThread() { Join(); }
  // Waits until a few more blocks have been mixed, so that everything sent before is applied.
  bool Settle() {
    const std::uint64_t target = blocks_.load() + 3;
    return WaitFor([&] { return blocks_.load() >= target; }, std::chrono::seconds(30));
  }
  std::uint64_t Reads() {
    Join();
    return reads_;
  }

 private:
  void Join() {
    run_ = false;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<bool> run_{true};
  std::atomic<std::uint64_t> blocks_{0};
  std::uint64_t reads_ = 0;
  std::thread thread_;
};

TEST(SynthSamples, TheAudioThreadNeverReadsTheSoundFont) {
  AudioMixer mixer(48000);
  std::unique_ptr<MidiSynth> synth = MidiSynth::Create(&mixer, nullptr);
  if (synth == nullptr) GTEST_SKIP() << "no SoundFont installed";

  // A song that resets the synthesizer and then selects a few instruments, one from another bank
  // and a drum kit.
  const std::vector<std::uint8_t> gmOn{0x7E, 0x7F, 0x09, 0x01};
  MidiFileBuilder file(96);
  file.Track(0)
      .SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
      .Message(0, {0xC0, 73})
      .Message(0, {0xC1, 33})
      .Message(0, {0xB2, 0, 8})
      .Message(0, {0xC2, 4})
      .Message(0, {0xC9, 25})
      .Note(10, 0x90, 60, 100);
  MidiSong song;
  ASSERT_TRUE(song.Load(file.Bytes()));
  std::vector<SynthPreset> presets;
  for (const MidiPreset& p : MidiPresetsOf(song)) presets.push_back({p.bank, p.program});

  AudioThread audio(mixer);
  // Warming reads the samples here, on the loading thread, while the mixer keeps running.
  const std::uint64_t before = MidiSynth::SoundFontReadsOnThisThread();
  EXPECT_EQ(synth->Warm(presets), static_cast<int>(presets.size()));
  EXPECT_GT(MidiSynth::SoundFontReadsOnThisThread(), before);

  // Three loops of the song: a reset, the program changes and notes on every channel.
  for (int loop = 0; loop < 3; ++loop) {
    ASSERT_TRUE(synth->SendSysEx(gmOn.data(), gmOn.size()));
    for (std::uint32_t m : {0x49C0u, 0x21C1u, 0x0008B2u, 0x04C2u, 0x19C9u})
      ASSERT_TRUE(synth->SendShort(m));
    for (std::uint8_t channel : {0, 1, 2, 9}) ASSERT_TRUE(synth->SendShort(0x643C90u | channel));
    ASSERT_TRUE(audio.Settle());
    for (std::uint8_t channel : {0, 1, 2, 9}) ASSERT_TRUE(synth->SendShort(0x003C80u | channel));
    ASSERT_TRUE(audio.Settle());
  }
  EXPECT_EQ(audio.Reads(), 0u);
}

// The check above can fail: a program the song never named is loaded by the audio thread.
TEST(SynthSamples, AnUnwarmedProgramIsReadOnTheAudioThread) {
  AudioMixer mixer(48000);
  std::unique_ptr<MidiSynth> synth = MidiSynth::Create(&mixer, nullptr);
  if (synth == nullptr) GTEST_SKIP() << "no SoundFont installed";
  AudioThread audio(mixer);
  ASSERT_TRUE(synth->SendShort(0x28C3u));  // program 40 on channel 4
  ASSERT_TRUE(audio.Settle());
  EXPECT_GT(audio.Reads(), 0u);
}

// What a song sends as the sequencer plays it: at each start and loop program 0 on every channel
// it never gave a program (here: all of them), then the song's events in order.
void SendSong(MidiSynth& synth, const MidiSong& song) {
  for (std::uint32_t channel = 0; channel < 16; ++channel) synth.SendShort(0xC0 | channel);
  for (int i = 0; i < song.EventCount(); ++i) {
    const MidiEvent& e = song.Entry(i);
    if (e.status == 0xFF) {
      ++i;  // a tempo pair
    } else if (e.status == 0xF0) {
      const SysExMessage* m = song.SysEx(e.Value());
      std::uint32_t n = m->BufferLength();
      if (n > 1 && m->Buffer()[n - 1] == 0xF7) --n;
      synth.SendSysEx(m->Buffer() + 1, n - 1);
    } else {
      synth.SendShort(e.Message());
    }
  }
}

struct DefaultProgramCase {
  const char* name;
  bool reset;                         // the song opens with a General MIDI reset
  std::vector<std::uint8_t> program;  // then this program change, if any
  std::uint8_t noteStatus;
  std::uint8_t key;
};

class SynthDefaultPrograms : public testing::TestWithParam<DefaultProgramCase> {};

// The default programs are warmed only for songs that play them; such a song's note sounds on
// every loop, and neither the sequencer's program 0 on all channels nor a reset loads anything
// while rendering.
TEST_P(SynthDefaultPrograms, ANoteSoundsWithoutLoadingWhileRendering) {
  std::unique_ptr<MidiSynth> synth = MidiSynth::Create(nullptr, nullptr);
  if (synth == nullptr) GTEST_SKIP() << "no SoundFont installed";
  MidiFileBuilder file(96);
  if (GetParam().reset) file.Track(0).SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
  if (!GetParam().program.empty())
    file.Track(0).Message(0, {GetParam().program[0], GetParam().program[1]});
  file.Track(0).Note(0, GetParam().noteStatus, GetParam().key, 110);
  MidiSong song;
  ASSERT_TRUE(song.Load(file.Bytes()));
  std::vector<SynthPreset> presets;
  for (const MidiPreset& p : MidiPresetsOf(song)) presets.push_back({p.bank, p.program});
  ASSERT_EQ(synth->Warm(presets), static_cast<int>(presets.size()));

  std::vector<float> out(2 * 4410);
  for (int loop = 0; loop < 3; ++loop) {
    SCOPED_TRACE(loop);
    SendSong(*synth, song);
    const std::uint64_t before = MidiSynth::SoundFontReadsOnThisThread();
    std::fill(out.begin(), out.end(), 0.0f);
    synth->Render(out.data(), 4410);
    float peak = 0.0f;
    for (float v : out) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.01f);
    ASSERT_TRUE(synth->Reset());
    for (int i = 0; i < 20; ++i) synth->Render(out.data(), 4410);  // the release dies away
    EXPECT_EQ(MidiSynth::SoundFontReadsOnThisThread(), before);
  }
}

const DefaultProgramCase kDefaultProgramCases[] = {
    {"PianoWithoutAReset", false, {}, 0x94, 60},
    {"PianoAfterAReset", true, {}, 0x94, 60},
    {"PianoChosenAfterAReset", true, {0xC4, 0}, 0x94, 60},
    {"DrumKitAfterAReset", true, {}, 0x99, 36},
    {"AnotherProgramAfterAReset", true, {0xC4, 73}, 0x94, 72},
};
INSTANTIATE_TEST_SUITE_P(Songs, SynthDefaultPrograms, testing::ValuesIn(kDefaultProgramCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace oru
