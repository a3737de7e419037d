// WAVE image parsing, the sample formats read and their conversion to the device's rate, and
// WaveSound's loading and voice choice, on a mixer of the test's own.
#include "oru/sound/wave_sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "oru/data/last_error.h"
#include "oru/data/pack_file.h"
#include "oru/platform/audio_device.h"
#include "oru/platform/clock.h"
#include "oru/platform/resources.h"
#include "oru/sound/wave_file.h"
#include "tests/sound/wave_image_builder.h"

namespace oru {
namespace {

using test::WaveImageBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr int kRate = 8000;

// 16-bit mono samples 100, 200, 300, ... so that the mixed value tells which frame each voice is at.
Bytes Ramp(int frames) {
  std::vector<int> values;
  for (int i = 1; i <= frames; ++i) values.push_back(100 * i);
  return WaveImageBuilder::Samples16(values);
}

Bytes RampWave(int frames) {
  return WaveImageBuilder().Format(1, kRate, 16).Data(Ramp(frames)).Build();
}

// Mixes frames and returns the left channel in 16-bit sample units.
std::vector<int> MixLeft(AudioMixer& mixer, int frames) {
  std::vector<float> out(2 * static_cast<std::size_t>(frames));
  mixer.Mix(out.data(), frames);
  std::vector<int> left;
  for (int i = 0; i < frames; ++i)
    left.push_back(static_cast<int>(std::lround(out[2 * i] * 32768.0f)));
  return left;
}

struct ParseCase {
  const char* name;
  Bytes image;
  bool ok;
  std::uint32_t dataOffset = 0;
  std::uint32_t dataBytes = 0;
};

TEST(WaveImageTest, ChunksAreFoundByWalkingTheList) {
  const Bytes samples = {1, 2, 3, 4};
  Bytes noWave = RampWave(2);
  noWave[8] = 'X';
  Bytes noRiff = RampWave(2);
  noRiff[0] = 'r';
  // clang-format off
  const ParseCase cases[] = {
      {"plain 16-byte format", WaveImageBuilder().Format(1, kRate, 8).Data(samples).Build(), true, 44, 4},
      {"18-byte format puts samples at 46", WaveImageBuilder().Format(1, kRate, 8, {0, 0}).Data(samples).Build(), true, 46, 4},
      {"LIST before the format", WaveImageBuilder().Chunk("LIST", {'I', 'N', 'F', 'O', 1, 2}).Format(1, kRate, 8).Data(samples).Build(), true, 58, 4},
      {"fact and JUNK between", WaveImageBuilder().Format(1, kRate, 8).Chunk("fact", {4, 0, 0, 0}).Chunk("JUNK", {0, 0, 0}).Data(samples).Build(), true, 68, 4},
      {"data before format", WaveImageBuilder().Data(samples).Format(1, kRate, 8).Build(), true, 20, 4},
      {"odd last chunk without pad", WaveImageBuilder().Format(1, kRate, 8).Data({1, 2, 3}).Build(), true, 44, 3},
      {"RIFF without WAVE", noWave, false},
      {"WAVE without RIFF", noRiff, false},
      {"shorter than a header", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}, false},
      {"empty", Bytes{}, false},
      {"no data chunk", WaveImageBuilder().Format(1, kRate, 8).Build(), false},
      {"no format chunk", WaveImageBuilder().Data(samples).Build(), false},
      {"format shorter than 16", WaveImageBuilder().Chunk("fmt ", Bytes(14, 1)).Data(samples).Build(), false},
      {"format runs past the image", WaveImageBuilder().Chunk("fmt ", Bytes(16, 1), 4000).Build(), false},
      {"data runs past the image", WaveImageBuilder().Format(1, kRate, 8).Data(samples, 5).Build(), false},
      {"data size near 4 GiB", WaveImageBuilder().Format(1, kRate, 8).Data(samples, 0xFFFFFFFF).Build(), false},
      {"zero channels", WaveImageBuilder().Format(0, kRate, 8, {}, 1, 1).Data(samples).Build(), false},
      {"zero block align", WaveImageBuilder().Format(1, kRate, 8, {}, 1, 0).Data(samples).Build(), false},
  };
  // clang-format on
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    WaveImageInfo info;
    // An exact-size heap copy lets the address sanitizer catch any read past the image.
    std::unique_ptr<std::uint8_t[]> exact(
        new std::uint8_t[c.image.size() + (c.image.empty() ? 1 : 0)]);
    std::copy(c.image.begin(), c.image.end(), exact.get());
    ASSERT_EQ(ParseWaveImage(exact.get(), c.image.size(), &info), c.ok);
    if (c.ok) {
      EXPECT_EQ(info.dataOffset, c.dataOffset);
      EXPECT_EQ(info.dataBytes, c.dataBytes);
      EXPECT_EQ(info.channels, 1);
      EXPECT_EQ(info.samplesPerSecond, static_cast<std::uint32_t>(kRate));
    }
  }
}

// The 24 bytes an extensible format record adds after the 16-byte one: its size (22), the valid
// bits, a channel mask and the sub-format GUID (format tag, then the standard tail).
Bytes Extensible(int subFormat, int validBits, bool standardTail = true) {
  Bytes extra;
  WaveImageBuilder::Put16(extra, 22);
  WaveImageBuilder::Put16(extra, validBits);
  WaveImageBuilder::Put32(extra, 4);
  WaveImageBuilder::Put16(extra, subFormat);
  const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  for (std::uint8_t b : tail) extra.push_back(standardTail ? b : 0x55);
  return extra;
}

Bytes Little(std::uint32_t v, int bytes) {
  Bytes out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return out;
}

Bytes Floats(const std::vector<float>& values) {
  Bytes out;
  for (float f : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    const Bytes b = Little(bits, 4);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct FormatCase {
  const char* name;
  Bytes image;
  std::vector<float> samples;  // expected at the file's own rate; empty: refused
  const char* reason = "";     // part of LastError() for a refusal
};

TEST(WaveFormatTest, SampleFormatsAreReadAtTheSameLevelAndOthersAreRefusedWithAReason) {
  const float nan = std::nanf("");
  // clang-format off
  const FormatCase cases[] = {
      {"8-bit unsigned", WaveImageBuilder().Format(1, kRate, 8).Data({192, 64, 128}).Build(), {0.5f, -0.5f, 0.0f}},
      {"16-bit", WaveImageBuilder().Format(1, kRate, 16).Data(WaveImageBuilder::Samples16({16384, -8192})).Build(), {0.5f, -0.25f}},
      {"24-bit", WaveImageBuilder().Format(1, kRate, 24).Data(Join({Little(0x400000, 3), Little(0xE00000, 3)})).Build(), {0.5f, -0.25f}},
      {"24-bit stereo", WaveImageBuilder().Format(2, kRate, 24).Data(Join({Little(0x400000, 3), Little(0xC00000, 3)})).Build(), {0.5f, -0.5f}},
      {"32-bit integer", WaveImageBuilder().Format(1, kRate, 32).Data(Join({Little(0x40000000, 4), Little(0xE0000000, 4)})).Build(), {0.5f, -0.25f}},
      {"32-bit float, not-a-number silenced", WaveImageBuilder().Format(1, kRate, 32, {}, 3).Data(Floats({0.5f, -0.25f, nan, INFINITY})).Build(), {0.5f, -0.25f, 0.0f, 0.0f}},
      {"float louder than full scale kept", WaveImageBuilder().Format(1, kRate, 32, {}, 3).Data(Floats({1.5f})).Build(), {1.5f}},
      {"extensible 16-bit PCM", WaveImageBuilder().Format(1, kRate, 16, Extensible(1, 16), 0xFFFE).Data(WaveImageBuilder::Samples16({16384})).Build(), {0.5f}},
      {"extensible 24 valid bits in 32", WaveImageBuilder().Format(1, kRate, 32, Extensible(1, 24), 0xFFFE).Data(Little(0x40000000, 4)).Build(), {0.5f}},
      {"extensible float", WaveImageBuilder().Format(2, kRate, 32, Extensible(3, 32), 0xFFFE).Data(Floats({0.25f, -0.5f})).Build(), {0.25f, -0.5f}},
      {"padded frames", WaveImageBuilder().Format(1, kRate, 16, {}, 1, 4).Data(Join({Little(16384, 2), Little(0x7777, 2), Little(0xC000, 2), Little(0x7777, 2)})).Build(), {0.5f, -0.5f}},
      {"ADPCM", WaveImageBuilder().Format(1, kRate, 4, {}, 2, 256).Data({0, 0}).Build(), {}, "format tag 0x0002"},
      {"64-bit float", WaveImageBuilder().Format(1, kRate, 64, {}, 3).Data(Bytes(8, 0)).Build(), {}, "64-bit float"},
      {"12-bit integer", WaveImageBuilder().Format(1, kRate, 12, {}, 1, 2).Data({0, 0}).Build(), {}, "12-bit integer"},
      {"three channels", WaveImageBuilder().Format(3, kRate, 8).Data({0, 0, 0}).Build(), {}, "3 channels"},
      {"extensible of another kind", WaveImageBuilder().Format(1, kRate, 16, Extensible(1, 16, false), 0xFFFE).Data({0, 0}).Build(), {}, "sub-format"},
      {"extensible too short", WaveImageBuilder().Format(1, kRate, 16, {0, 0}, 0xFFFE).Data({0, 0}).Build(), {}, "record of 18 bytes"},
      {"zero rate", WaveImageBuilder().Format(1, 0, 8).Data({0}).Build(), {}, "at 0 frames per second"},
      {"block align below a frame", WaveImageBuilder().Format(2, kRate, 16, {}, 1, 2).Data({0, 0, 0, 0}).Build(), {}, "block align of 2"},
      {"no whole frame", WaveImageBuilder().Format(2, kRate, 16).Data({0, 0}).Build(), {}, "no whole frame"},
      {"rate far below the device's", WaveImageBuilder().Format(1, 20, 8).Data({0}).Build(), {}, "too far"},
  };
  // clang-format on
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> samples = {9.0f};
    int channels = 0;
    ClearLastError();
    ASSERT_EQ(DecodeWave(c.image.data(), c.image.size(), kRate, &samples, &channels),
              !c.samples.empty())
        << LastError();
    if (c.samples.empty()) {
      EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos) << LastError();
      EXPECT_EQ(samples, std::vector<float>{9.0f});  // left as it was
      continue;
    }
    ASSERT_EQ(samples.size(), c.samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
      EXPECT_NEAR(samples[i], c.samples[i], 1e-6f) << "sample " << i;
  }
}

// A WaveSound refuses the same files, leaving what it played before.
TEST(WaveFormatTest, RefusedFormatsLeaveTheSoundAsItWas) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  const Bytes good = RampWave(10);
  ASSERT_TRUE(sound.LoadImage(good.data(), good.size()));
  const Bytes stereo64 = WaveImageBuilder().Format(2, kRate, 64, {}, 3).Data(Bytes(32, 0)).Build();
  EXPECT_FALSE(sound.LoadImage(stereo64.data(), stereo64.size()));
  EXPECT_NE(std::string(LastError()).find("64-bit float"), std::string::npos) << LastError();
  EXPECT_EQ(sound.ImageSize(), good.size());
  ASSERT_TRUE(sound.Play(0));
  EXPECT_EQ(MixLeft(mixer, 2), (std::vector<int>{100, 200}));
}

// Magnitude of the windowed samples at frequency hz (a single bin of a DFT).
double Magnitude(const std::vector<double>& x, double hz, double rate) {
  std::complex<double> sum = 0;
  for (std::size_t n = 0; n < x.size(); ++n)
    sum += x[n] * std::polar(1.0, -2 * std::numbers::pi * hz * static_cast<double>(n) / rate);
  return std::abs(sum);
}

// A 5 kHz tone at 22,050 Hz converted to 48,000 Hz: the tone keeps its level, and nothing that
// the conversion made up (the images of the old band, around 17 and 21 kHz after linear
// interpolation) comes within 70 dB of it.
TEST(WaveResampleTest, ConversionLeavesNoImageAboveTheOldBand) {
  constexpr int kIn = 22050, kOut = 48000;
  std::vector<int> tone(kIn);
  for (int i = 0; i < kIn; ++i)
    tone[static_cast<std::size_t>(i)] =
        static_cast<int>(std::lround(16384 * std::sin(2 * std::numbers::pi * 5000 * i / kIn)));
  const Bytes wave =
      WaveImageBuilder().Format(1, kIn, 16).Data(WaveImageBuilder::Samples16(tone)).Build();
  std::vector<float> out;
  int channels = 0;
  ASSERT_TRUE(DecodeWave(wave.data(), wave.size(), kOut, &out, &channels));
  ASSERT_EQ(out.size(), static_cast<std::size_t>(kOut));  // one second stays one second

  // 0.2 s from the middle, under a Blackman-Harris window (side lobes below -92 dB).
  constexpr int kN = 9600;
  std::vector<double> x(kN);
  double windowSum = 0;
  for (int n = 0; n < kN; ++n) {
    const double t = 2 * std::numbers::pi * n / (kN - 1);
    const double w =
        0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    x[static_cast<std::size_t>(n)] = w * out[static_cast<std::size_t>(kOut / 2 - kN / 2 + n)];
    windowSum += w;
  }
  const double toneLevel = Magnitude(x, 5000, kOut);
  EXPECT_NEAR(toneLevel / (windowSum * 0.5 / 2), 1.0, 0.02);  // amplitude 0.5 kept
  double worst = 0, worstHz = 0;
  for (double hz = 11500; hz <= 23900; hz += 20) {
    const double m = Magnitude(x, hz, kOut);
    if (m > worst) worst = m, worstHz = hz;
  }
  const double db = 20 * std::log10(worst / toneLevel);
  EXPECT_LT(db, -70.0) << "strongest image at " << worstHz << " Hz";
}

// Conversion keeps time: a click half-way through a sound stays half-way through it.
TEST(WaveResampleTest, ConversionKeepsLengthAndTiming) {
  std::vector<int> click(22050, 0);
  click[11025] = 32767;
  const Bytes wave =
      WaveImageBuilder().Format(1, 22050, 16).Data(WaveImageBuilder::Samples16(click)).Build();
  std::vector<float> out;
  int channels = 0;
  ASSERT_TRUE(DecodeWave(wave.data(), wave.size(), 48000, &out, &channels));
  ASSERT_EQ(out.size(), 48000u);
  std::size_t peak = 0;
  for (std::size_t i = 0; i < out.size(); ++i)
    if (std::fabs(out[i]) > std::fabs(out[peak])) peak = i;
  EXPECT_NEAR(static_cast<double>(peak), 24000.0, 2.0);
}

TEST(WaveSoundTest, FourOverlappingPlaysTakeVoicesZeroOneTwoThenRestartTwo) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  Bytes wave = RampWave(50);
  ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  ASSERT_EQ(sound.VoiceCount(), 3);
  for (int i = 0; i < 3; ++i) ASSERT_GE(sound.VoiceId(i), 0);

  ASSERT_TRUE(sound.Play(0));
  MixLeft(mixer, 2);
  ASSERT_TRUE(sound.Play(0));
  MixLeft(mixer, 2);
  ASSERT_TRUE(sound.Play(0));
  MixLeft(mixer, 2);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(mixer.IsPlaying(sound.VoiceId(i)));
  // Voices are at frames 6, 4 and 2: the next frame is 700 + 500 + 300.
  ASSERT_TRUE(sound.Play(0));
  // Voice 2 went back to its first sample: 700 + 500 + 100.
  EXPECT_EQ(MixLeft(mixer, 1)[0], 1300);
}

TEST(WaveSoundTest, PlayAfterVoiceZeroFinishedReusesIt) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  Bytes wave = RampWave(4);
  ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  ASSERT_TRUE(sound.Play(0));
  MixLeft(mixer, 8);
  EXPECT_FALSE(mixer.IsPlaying(sound.VoiceId(0)));
  ASSERT_TRUE(sound.Play(0));
  EXPECT_TRUE(mixer.IsPlaying(sound.VoiceId(0)));
  EXPECT_FALSE(mixer.IsPlaying(sound.VoiceId(1)));
  EXPECT_EQ(MixLeft(mixer, 2), (std::vector<int>{100, 200}));  // from the first sample again
}

TEST(WaveSoundTest, PanReachesTheVoice) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  Bytes wave = WaveImageBuilder()
                   .Format(1, kRate, 16)
                   .Data(WaveImageBuilder::Samples16({16384, 16384}))
                   .Build();
  ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  ASSERT_TRUE(sound.Play(-2000));
  std::vector<float> out(4);
  mixer.Mix(out.data(), 2);
  EXPECT_NEAR(out[0], 0.5f, 1e-4f);
  EXPECT_NEAR(out[1], 0.05f, 1e-4f);
}

TEST(WaveSoundTest, WithoutVoicesPlaysGoToTheFallbackAndCutEachOtherOff) {
  AudioMixer noVoices(kRate, 0);  // a device that cannot make voices
  WaveSound first(&noVoices), second(&noVoices);
  Bytes a = RampWave(20);
  Bytes b = WaveImageBuilder()
                .Format(1, kRate, 16)
                .Data(WaveImageBuilder::Samples16(std::vector<int>(20, 7)))
                .Build();
  ASSERT_TRUE(first.LoadImage(a.data(), a.size()));
  ASSERT_TRUE(second.LoadImage(b.data(), b.size()));
  EXPECT_EQ(first.VoiceId(0), -1);
  ASSERT_TRUE(first.Play(0));
  EXPECT_EQ(MixLeft(noVoices, 2), (std::vector<int>{100, 200}));
  ASSERT_TRUE(second.Play(0));
  EXPECT_EQ(MixLeft(noVoices, 2), (std::vector<int>{7, 7}));  // the first one is gone
  ASSERT_TRUE(first.Play(0));
  EXPECT_EQ(MixLeft(noVoices, 1), (std::vector<int>{100}));
}

TEST(WaveSoundTest, SoundThatNeverLoadedSilencesTheFallbackAndReportsFailure) {
  AudioMixer noVoices(kRate, 0);
  WaveSound loaded(&noVoices), empty(&noVoices);
  Bytes a = RampWave(20);
  ASSERT_TRUE(loaded.LoadImage(a.data(), a.size()));
  ASSERT_TRUE(loaded.Play(0));
  EXPECT_FALSE(empty.Play(0));
  EXPECT_FALSE(noVoices.FallbackPlaying());
}

TEST(WaveSoundTest, WithoutAnyDeviceEverythingIsSilentAndFalse) {
  WaveSound sound(nullptr);
  Bytes wave = RampWave(4);
  EXPECT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  EXPECT_EQ(sound.VoiceCount(), 3);
  EXPECT_EQ(sound.VoiceId(0), -1);
  EXPECT_FALSE(sound.Play(0));
  EXPECT_FALSE(sound.SetWindow(nullptr));
}

TEST(WaveSoundTest, SetWindowStoresOnlyNewWindows) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  auto* w = reinterpret_cast<WindowHandle>(0x1000);
  EXPECT_TRUE(sound.SetWindow(w));
  EXPECT_FALSE(sound.SetWindow(w));
  EXPECT_EQ(sound.Window(), w);
  EXPECT_TRUE(sound.SetWindow(nullptr));
  EXPECT_EQ(sound.Window(), w);
}

// A loader given bad bytes reports failure and leaves the sound it had: the image, its voices
// and what plays.
TEST(WaveSoundTest, BadImageLeavesTheOldSoundAsItWas) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  Bytes good = RampWave(10);
  ASSERT_TRUE(sound.LoadImage(good.data(), good.size()));
  const std::uint8_t* image = sound.Image();
  Bytes bad = good;
  bad[8] = 'X';  // RIFF but not WAVE
  EXPECT_FALSE(sound.LoadImage(bad.data(), bad.size()));
  EXPECT_NE(std::string(LastError()).find("not WAVE"), std::string::npos) << LastError();
  EXPECT_EQ(sound.Image(), image);
  EXPECT_EQ(sound.VoiceCount(), 3);
  EXPECT_EQ(mixer.VoiceCount(), 3);
  ASSERT_TRUE(sound.Play(0));
  EXPECT_EQ(MixLeft(mixer, 1)[0], 100);
}

TEST(WaveSoundTest, LoadingAgainReplacesImageAndVoices) {
  AudioMixer mixer(kRate);
  WaveSound sound(&mixer);
  Bytes a = RampWave(10),
        b = WaveImageBuilder().Format(1, kRate, 8, {0, 0}).Data(Bytes(5, 200)).Build();
  ASSERT_TRUE(sound.LoadImage(a.data(), a.size()));
  ASSERT_TRUE(sound.LoadImage(b.data(), b.size()));
  EXPECT_EQ(mixer.VoiceCount(), 3);
  EXPECT_EQ(sound.DataBytes(), 5u);
  EXPECT_EQ(sound.Data(), sound.Image() + 46);
  sound.CreateVoices(5);
  EXPECT_EQ(sound.VoiceCount(), 5);
  EXPECT_EQ(mixer.VoiceCount(), 5);
  sound.DestroyVoices();
  EXPECT_EQ(mixer.VoiceCount(), 0);
}

TEST(WaveSoundTest, LoadsFromFilesAndResources) {
  AudioMixer mixer(kRate);
  Bytes wave = RampWave(8);
  std::string path = ::testing::TempDir() + "oru_wave_sound_test.wav";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(wave.data(), 1, wave.size(), f);
  std::fclose(f);
  ASSERT_TRUE(RegisterResource("ORU_TEST_BEEP.WAV", "WAVE", wave.data(), wave.size()));

  WaveSound sound(&mixer);
  EXPECT_TRUE(sound.LoadFile(path.c_str()));
  EXPECT_EQ(sound.DataBytes(), 16u);
  EXPECT_TRUE(sound.LoadResource("ORU_TEST_BEEP.WAV", "WAVE"));
  EXPECT_TRUE(sound.Load(path.c_str(), nullptr));
  EXPECT_TRUE(sound.Load("ORU_TEST_BEEP.WAV", "WAVE"));

  // A pack under the name with ".dpa" stands in for a missing plain file.
  std::string packed = ::testing::TempDir() + "oru_wave_sound_packed.wav";
  std::string pack = ::testing::TempDir() + "oru_wave_sound_packed.dpa";
  Bytes other = WaveImageBuilder().Format(1, kRate, 8).Data(Bytes(7, 130)).Build();
  ASSERT_TRUE(
      PackFile::PackMemory(other.data(), other.size(), "oru_wave_sound_packed.wav", pack.c_str()));
  EXPECT_TRUE(sound.Load(packed.c_str(), nullptr));
  EXPECT_EQ(sound.DataBytes(), 7u);
  std::remove(pack.c_str());

  // A name found nowhere changes nothing.
  const std::uint8_t* image = sound.Image();
  EXPECT_FALSE(sound.LoadFile("/nonexistent/oru.wav"));
  EXPECT_FALSE(sound.LoadResource("ORU_NO_SUCH.WAV", "WAVE"));
  EXPECT_FALSE(sound.Load("ORU_NO_SUCH.WAV", nullptr));
  EXPECT_EQ(sound.Image(), image);
  EXPECT_EQ(sound.VoiceCount(), 3);

  UnregisterResource("ORU_TEST_BEEP.WAV", "WAVE");
  std::remove(path.c_str());
}

// Damaged files, as a seeded stream of mutations of a valid one with extra chunks: chunk sizes,
// format fields and the length of the image. Loading must never read outside the image (run
// under the address sanitizer to see that) and a successful load must point inside it.
TEST(WaveSoundTest, DamagedImagesNeverLeadOutsideTheImage) {
  AudioMixer mixer(kRate, 4);
  WaveSound sound(&mixer);
  const Bytes original = WaveImageBuilder()
                             .Chunk("LIST", {'I', 'N', 'F', 'O', 'x'})
                             .Format(2, kRate, 16, {0, 0})
                             .Chunk("fact", {1, 0, 0, 0})
                             .Data(Ramp(6))
                             .Build();
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 3000; ++round) {
    Bytes image = original;
    for (int edits = 1 + next() % 4; edits > 0; --edits) {
      const std::uint32_t at = next() % image.size();
      switch (next() % 3) {
        case 0:
          image[at] = static_cast<std::uint8_t>(next() >> 24);
          break;
        case 1:
          image[at] = 0xFF;
          break;
        default:
          image.resize(at);
          break;
      }
      if (image.empty()) break;
    }
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[image.size() + 1]);
    std::copy(image.begin(), image.end(), exact.get());
    if (sound.LoadImage(exact.get(), image.size())) {
      ASSERT_GE(sound.Data(), sound.Image());
      ASSERT_LE(sound.Data() + sound.DataBytes(), sound.Image() + sound.ImageSize());
      sound.Play(static_cast<std::int32_t>(next() % 20001) - 10000);
      std::vector<float> out(2 * 16);
      mixer.Mix(out.data(), 16);
    }
  }
}

// The whole path through the shared device: with the dummy driver SDL runs the callback on its
// own thread, so a short sound must finish on its own. Skipped where no device opens at all.
TEST(WaveSoundDeviceTest, PlaysToItsEndOnTheSharedDevice) {
  WaveSound sound;
  // Built but not loaded, a sound opens no device (a muted game builds its sounds and no more).
  EXPECT_EQ(sound.Device(), nullptr);
  Bytes wave = WaveImageBuilder().Format(1, 22050, 16).Data(Ramp(1100)).Build();  // 50 ms
  ASSERT_TRUE(sound.LoadImage(wave.data(), wave.size()));
  if (sound.Device() == nullptr) GTEST_SKIP() << "no audio device";
  ASSERT_TRUE(sound.Play(0));
  const int voice = sound.VoiceId(0);
  for (int waited = 0; waited < 10000 && sound.Device()->IsPlaying(voice); waited += 5) SleepMs(5);
  EXPECT_FALSE(sound.Device()->IsPlaying(voice));
}

}  // namespace
}  // namespace oru
