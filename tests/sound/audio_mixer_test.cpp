// The audio mixer driven directly, without a device: levels, pan, voice life cycle, the
// fallback voice and extra sources.
#include "oru/platform/audio_mixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace oru {
namespace {

constexpr int kRate = 8000;

// Mixes frames and returns them (stereo interleaved).
std::vector<float> MixFrames(AudioMixer& mixer, int frames) {
  std::vector<float> out(2 * static_cast<std::size_t>(frames), 99.0f);
  mixer.Mix(out.data(), frames);
  return out;
}

// Samples given in 16-bit units, as the mixer holds them: floats in -1..1.
VoiceSamples Samples(const std::vector<int>& values) {
  auto samples = std::make_shared<std::vector<float>>();
  for (int v : values) samples->push_back(static_cast<float>(v) / 32768.0f);
  return samples;
}

// A mono voice of `frames` frames holding `value` (in 16-bit units) everywhere.
int ConstantVoice(AudioMixer& mixer, int value, int frames) {
  return mixer.CreateVoice(Samples(std::vector<int>(frames, value)), 1);
}

TEST(MixerTest, KnownSampleAtKnownPanGivesExpectedLevels) {
  struct Case {
    int pan;
    float left, right;
  };
  const float half = 0.5f;
  const Case cases[] = {
      {0, half, half},
      {-600, half, half * std::pow(10.0f, -0.3f)},  // right 6 dB down
      {600, half * std::pow(10.0f, -0.3f), half},   // left 6 dB down
      {-2000, half, half * 0.1f},                   // 20 dB
      {kPanLeft, half, 0.0f},
      {kPanRight, 0.0f, half},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pan);
    AudioMixer mixer(kRate);
    int v = ConstantVoice(mixer, 16384, 64);
    ASSERT_GE(v, 0);
    ASSERT_TRUE(mixer.SetPan(v, c.pan));
    ASSERT_TRUE(mixer.Start(v));
    std::vector<float> out = MixFrames(mixer, 16);
    for (int i = 0; i < 16; ++i) {
      EXPECT_NEAR(out[2 * i], c.left, 1e-4f);
      EXPECT_NEAR(out[2 * i + 1], c.right, 1e-4f);
    }
  }
}

TEST(MixerTest, StereoKeepsItsSidesAndWhatCannotPlayMakesNoVoice) {
  AudioMixer mixer(kRate);
  int v = mixer.CreateVoice(Samples({16384, -8192, 16384, -8192}), 2);
  ASSERT_GE(v, 0);
  mixer.Start(v);
  std::vector<float> out = MixFrames(mixer, 1);
  EXPECT_NEAR(out[0], 0.5f, 1e-6f);
  EXPECT_NEAR(out[1], -0.25f, 1e-6f);

  EXPECT_EQ(mixer.CreateVoice(nullptr, 1), -1);
  EXPECT_EQ(mixer.CreateVoice(Samples({}), 1), -1);
  EXPECT_EQ(mixer.CreateVoice(Samples({1}), 2), -1);  // no whole frame
  for (int channels : {0, 3})
    EXPECT_EQ(mixer.CreateVoice(Samples({1, 2, 3, 4, 5, 6}), channels), -1);
  EXPECT_EQ(mixer.VoiceCount(), 1);
}

TEST(MixerTest, VoicePlaysOnceAndRestartsFromItsFirstFrame) {
  AudioMixer mixer(kRate);
  int v = mixer.CreateVoice(Samples({1000, 2000, 3000, 4000, 5000, 6000}), 1);
  ASSERT_GE(v, 0);
  EXPECT_FALSE(mixer.IsPlaying(v));
  EXPECT_EQ(MixFrames(mixer, 2)[0], 0.0f);  // made stopped

  mixer.Start(v);
  EXPECT_TRUE(mixer.IsPlaying(v));
  std::vector<float> out = MixFrames(mixer, 4);
  EXPECT_NEAR(out[0], 1000 / 32768.0f, 1e-6f);
  EXPECT_NEAR(out[6], 4000 / 32768.0f, 1e-6f);
  out = MixFrames(mixer, 4);  // two frames left, then silence
  EXPECT_NEAR(out[2], 6000 / 32768.0f, 1e-6f);
  EXPECT_EQ(out[4], 0.0f);
  EXPECT_FALSE(mixer.IsPlaying(v));

  mixer.Start(v);  // finished voices start again from the top
  EXPECT_NEAR(MixFrames(mixer, 1)[0], 1000 / 32768.0f, 1e-6f);

  mixer.Stop(v);  // stop halts where it is...
  EXPECT_EQ(MixFrames(mixer, 1)[0], 0.0f);
  mixer.Start(v);
  EXPECT_NEAR(MixFrames(mixer, 1)[0], 2000 / 32768.0f, 1e-6f);
  mixer.Stop(v);  // ...and rewind goes back to the first frame
  mixer.Rewind(v);
  mixer.Start(v);
  EXPECT_NEAR(MixFrames(mixer, 1)[0], 1000 / 32768.0f, 1e-6f);
}

TEST(MixerTest, VoicesAddUpAndTheSumIsClamped) {
  AudioMixer mixer(kRate);
  int a = ConstantVoice(mixer, 16384, 8), b = ConstantVoice(mixer, 8192, 8);
  int c = ConstantVoice(mixer, 30000, 8);
  mixer.Start(a);
  mixer.Start(b);
  EXPECT_NEAR(MixFrames(mixer, 1)[0], 0.75f, 1e-5f);
  mixer.Start(c);
  EXPECT_EQ(MixFrames(mixer, 1)[1], 1.0f);
}

// Two loud tones whose sum passes full scale: after a millisecond the mix is the same waveform
// turned down to fit, not one with its tops cut off; once they end, a quiet voice comes back
// to its own level within a second.
TEST(MixerTest, LoudSumIsTurnedDownWithoutFlatteningAndRecovers) {
  AudioMixer mixer(kRate);
  constexpr int kLoudFrames = kRate / 2;
  std::vector<int> tone(kLoudFrames);
  for (int i = 0; i < kLoudFrames; ++i)
    tone[static_cast<std::size_t>(i)] =
        static_cast<int>(std::lround(26000 * std::sin(i * 2 * std::numbers::pi * 100 / kRate)));
  const VoiceSamples samples = Samples(tone);
  const int a = mixer.CreateVoice(samples, 1);
  const int b = mixer.CreateVoice(samples, 1);  // voices share their samples
  const int quiet = ConstantVoice(mixer, 8192, 3 * kRate);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_GE(quiet, 0);
  mixer.Start(a);
  mixer.Start(b);

  std::vector<float> loud = MixFrames(mixer, 256);
  const int settled = kRate / 1000;
  int atFullScale = 0;
  float ratio = 0.0f;
  for (int i = settled; i < 256; ++i) {
    const float in = 2.0f * static_cast<float>(tone[static_cast<std::size_t>(i)]) / 32768.0f;
    const float out = loud[2 * static_cast<std::size_t>(i)];
    EXPECT_LE(std::fabs(out), 1.0f);
    if (std::fabs(out) >= 0.9999f) ++atFullScale;
    if (std::fabs(in) < 0.1f) continue;
    if (ratio == 0.0f) ratio = out / in;
    EXPECT_NEAR(out / in, ratio, 1e-3f) << "frame " << i;
  }
  EXPECT_GT(ratio, 0.5f);
  EXPECT_LT(ratio, 0.7f);
  EXPECT_LE(atFullScale, 8);  // only the crests touch full scale

  // Let the tones end, then start the quiet voice: back to its own level well within a second.
  for (int i = 256; i < kLoudFrames + 256; i += 256) MixFrames(mixer, 256);
  ASSERT_FALSE(mixer.IsPlaying(a));
  mixer.Start(quiet);
  for (int i = 0; i < kRate; i += 256) MixFrames(mixer, 256);
  EXPECT_FLOAT_EQ(MixFrames(mixer, 4)[6], 0.25f);
}

TEST(MixerTest, SlotsRunOutAndComeBackWhenVoicesAreDestroyed) {
  AudioMixer mixer(kRate, 2);
  int a = ConstantVoice(mixer, 1, 4), b = ConstantVoice(mixer, 1, 4);
  EXPECT_GE(a, 0);
  EXPECT_GE(b, 0);
  EXPECT_EQ(ConstantVoice(mixer, 1, 4), -1);
  mixer.DestroyVoice(a);
  EXPECT_FALSE(mixer.Start(a));
  EXPECT_FALSE(mixer.IsPlaying(a));
  EXPECT_EQ(mixer.VoiceCount(), 1);
  EXPECT_GE(ConstantVoice(mixer, 1, 4), 0);
  EXPECT_FALSE(mixer.SetPan(b, kPanRight + 1));
  for (int id : {-1, 2, 64}) EXPECT_FALSE(mixer.Start(id));
}

TEST(MixerTest, FallbackCutsOffThePreviousSound) {
  AudioMixer mixer(kRate);
  ASSERT_TRUE(mixer.PlayFallback(Samples(std::vector<int>(100, 8192)), 1));
  EXPECT_TRUE(mixer.FallbackPlaying());
  EXPECT_NEAR(MixFrames(mixer, 10)[0], 0.25f, 1e-5f);
  ASSERT_TRUE(mixer.PlayFallback(Samples(std::vector<int>(100, 16384)), 1));
  EXPECT_NEAR(MixFrames(mixer, 10)[0], 0.5f, 1e-5f);  // only the second, from its start

  EXPECT_FALSE(mixer.PlayFallback(Samples({1}), 2));  // no whole frame
  EXPECT_FALSE(mixer.FallbackPlaying());  // something that cannot play still stops the old one
  EXPECT_EQ(MixFrames(mixer, 1)[0], 0.0f);

  ASSERT_TRUE(mixer.PlayFallback(Samples(std::vector<int>(100, 8192)), 1));
  EXPECT_TRUE(mixer.PlayFallback(nullptr, 0));  // nothing to play: just stop
  EXPECT_EQ(MixFrames(mixer, 1)[0], 0.0f);
  EXPECT_EQ(mixer.VoiceCount(), 0);  // the fallback takes no voice slot
}

class StepSource : public AudioSource {
 public:
  void Render(float* out, int frames) override {
    for (int i = 0; i < 2 * frames; ++i) out[i] += 0.125f;
    rendered += frames;
  }
  int rendered = 0;
};

TEST(MixerTest, SourcesAreRenderedIntoTheSameOutput) {
  AudioMixer mixer(kRate);
  StepSource source;
  ASSERT_TRUE(mixer.AddSource(&source));
  int v = ConstantVoice(mixer, 8192, 8);
  mixer.Start(v);
  EXPECT_NEAR(MixFrames(mixer, 4)[1], 0.375f, 1e-5f);
  mixer.RemoveSource(&source);
  MixFrames(mixer, 4);
  EXPECT_EQ(source.rendered, 4);
}

// Voices made, played and destroyed while another thread mixes: nothing may be read after it is
// freed (run under the address or thread sanitizer to see the difference).
TEST(MixerTest, VoicesChangeWhileAnotherThreadMixes) {
  AudioMixer mixer(kRate, 8);
  std::atomic<bool> done{false};
  std::thread audio([&] {
    std::vector<float> out(2 * 64);
    while (!done.load()) mixer.Mix(out.data(), 64);
  });
  for (int round = 0; round < 300; ++round) {
    int v = ConstantVoice(mixer, 1000 + round, 32 + round % 50);
    ASSERT_GE(v, 0);
    mixer.SetPan(v, (round % 21 - 10) * 100);
    mixer.Start(v);
    if (round % 3 == 0) {
      mixer.Stop(v);
      mixer.Rewind(v);
      mixer.Start(v);
    }
    mixer.DestroyVoice(v);
  }
  done.store(true);
  audio.join();
  EXPECT_EQ(mixer.VoiceCount(), 0);
}

}  // namespace
}  // namespace oru
