// WaveSound on a device that plays each sound at its own rate, as DirectSound's voices do on
// Windows: the samples reach the voices unconverted (within the device's limits), every voice
// and the fallback are made with the rate the device asked for, and the sounds' window reaches
// the device. A recording stand-in for the device shows what the sound asked of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "oru/platform/voice_device.h"
#include "oru/sound/wave_sound.h"
#include "tests/sound/wave_image_builder.h"

namespace oru {
namespace {

using test::WaveImageBuilder;

// Keeps rates between 100 and 100,000 and records every voice it makes.
class OwnRateDevice : public VoiceDevice {
 public:
  struct Made {
    VoiceSamples samples;
    int channels;
    int rate;
  };

  int PlaybackRate(int soundRate) const override { return std::clamp(soundRate, 100, 100000); }
  void UseWindow(WindowHandle window) override { windows.push_back(window); }
  int CreateVoice(VoiceSamples samples, int channels, int rate) override {
    if (!makesVoices) return -1;
    made.push_back({std::move(samples), channels, rate});
    playing.push_back(false);
    return static_cast<int>(made.size()) - 1;
  }
  void DestroyVoice(int) override {}
  bool IsPlaying(int voice) const override { return playing[static_cast<std::size_t>(voice)]; }
  bool Start(int voice) override { return playing[static_cast<std::size_t>(voice)] = true; }
  bool Stop(int voice) override { return !(playing[static_cast<std::size_t>(voice)] = false); }
  bool Rewind(int) override { return true; }
  bool SetPan(int, std::int32_t) override { return true; }
  int VoiceCount() const override { return static_cast<int>(made.size()); }
  bool PlayFallback(VoiceSamples samples, int channels, int rate) override {
    fallback.push_back({std::move(samples), channels, rate});
    return true;
  }
  bool FallbackPlaying() const override { return false; }

  bool makesVoices = true;
  std::vector<Made> made;
  std::vector<Made> fallback;
  std::vector<bool> playing;
  std::vector<WindowHandle> windows;
};

std::vector<std::uint8_t> Wave(int channels, int rate, const std::vector<int>& samples) {
  return WaveImageBuilder()
      .Format(channels, rate, 16)
      .Data(WaveImageBuilder::Samples16(samples))
      .Build();
}

TEST(WaveSoundOwnRateTest, SamplesKeepTheFilesRateAndEveryVoiceIsMadeWithIt) {
  const struct {
    const char* name;
    int channels, fileRate, frames, voiceRate, voiceFrames;
  } cases[] = {
      {"11,025 mono stays as it is", 1, 11025, 6, 11025, 6},
      {"22,050 stereo stays as it is", 2, 22050, 3, 22050, 3},
      {"a rate below the device's least is raised to it", 1, 50, 5, 100, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OwnRateDevice device;
    WaveSound sound(&device);
    std::vector<int> values(static_cast<std::size_t>(c.frames * c.channels), 8192);
    const auto wave = Wave(c.channels, c.fileRate, values);
    ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
    ASSERT_EQ(device.made.size(), 3u);
    for (const auto& m : device.made) {
      EXPECT_EQ(m.rate, c.voiceRate);
      EXPECT_EQ(m.channels, c.channels);
      EXPECT_EQ(m.samples, device.made[0].samples) << "the voices share one copy";
      ASSERT_EQ(m.samples->size(), static_cast<std::size_t>(c.voiceFrames * c.channels));
    }
    if (c.voiceRate == c.fileRate) {
      for (float s : *device.made[0].samples) EXPECT_EQ(s, 0.25f) << "samples taken unconverted";
    }
  }
}

TEST(WaveSoundOwnRateTest, TheFallbackGetsTheSoundAtItsRate) {
  OwnRateDevice device;
  device.makesVoices = false;
  WaveSound sound(&device);
  const auto wave = Wave(1, 8000, {100, 200, 300});
  ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  ASSERT_TRUE(sound.Play(0));
  ASSERT_EQ(device.fallback.size(), 1u);
  EXPECT_EQ(device.fallback[0].rate, 8000);
  EXPECT_EQ(device.fallback[0].samples->size(), 3u);
}

TEST(WaveSoundOwnRateTest, TheSoundsWindowReachesTheDevice) {
  OwnRateDevice device;
  WaveSound sound(&device);
  auto* first = reinterpret_cast<WindowHandle>(0x1000);
  auto* second = reinterpret_cast<WindowHandle>(0x2000);
  sound.SetWindow(first);
  sound.SetWindow(first);    // the same window again changes nothing
  sound.SetWindow(nullptr);  // keeps the stored one
  sound.SetWindow(second);
  EXPECT_EQ(device.windows, (std::vector<WindowHandle>{first, second}));
}

}  // namespace
}  // namespace oru
