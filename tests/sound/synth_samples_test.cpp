// The synthesizer's samples: only the presets a song selects are loaded, on the loading thread,
// and the audio thread never reads the SoundFont, not even at a General MIDI reset. Needs a
// General MIDI SoundFont; skipped without one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
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

}  // namespace
}  // namespace oru
