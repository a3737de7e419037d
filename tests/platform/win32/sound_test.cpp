// DirectSound's voices and the PlaySound fallback, on a device of the test's own. Without a
// DirectSound device (Wine with no audio driver that opens) the cases skip; the capture script
// (sound_capture_check.sh) gives Wine an ALSA device that writes to a file, where they all run
// and the last case checks that a sound played reaches that file.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oru/platform/audio_device.h"
#include "oru/platform/win32/direct_sound_internal.h"
#include "tests/support/wait_for.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

constexpr double kPi = 3.14159265358979323846;

// seconds of a sine of hz at half scale, mono, at rate.
VoiceSamples Tone(double seconds, double hz, int rate, int channels = 1) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> samples(frames * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
          0.5f * static_cast<float>(std::sin(2 * kPi * hz * static_cast<double>(i) / rate));
  return std::make_shared<const std::vector<float>>(std::move(samples));
}

class DirectSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = win32::OpenDirectSound();
    if (device == nullptr) GTEST_SKIP() << "no DirectSound device (see sound_capture_check.sh)";
  }
  std::unique_ptr<win32::DirectSoundDevice> device;
};

TEST_F(DirectSoundTest, SoundsKeepTheirOwnRateWithinDirectSoundsLimits) {
  const struct {
    int sound, playback;
  } cases[] = {{22050, 22050}, {8000, 8000}, {44100, 44100}, {50, 100}, {250000, 100000}};
  for (const auto& c : cases) EXPECT_EQ(device->PlaybackRate(c.sound), c.playback) << c.sound;
}

TEST_F(DirectSoundTest, VoicesOfOneSoundPlayStopRewindAndPanIndependently) {
  const VoiceSamples tone = Tone(5.0, 440, 22050);
  int voices[3];
  for (int& v : voices) {
    v = device->CreateVoice(tone, 1, 22050);
    ASSERT_GE(v, 0);
  }
  EXPECT_EQ(device->VoiceCount(), 3);
  EXPECT_NE(voices[0], voices[1]);
  for (int v : voices) EXPECT_FALSE(device->IsPlaying(v)) << "a new voice is stopped";
  ASSERT_TRUE(device->Start(voices[1]));
  EXPECT_TRUE(device->IsPlaying(voices[1]));
  EXPECT_FALSE(device->IsPlaying(voices[0]));
  EXPECT_TRUE(device->SetPan(voices[1], kPanLeft));
  EXPECT_TRUE(device->SetPan(voices[1], -300));
  EXPECT_FALSE(device->SetPan(voices[1], kPanRight + 1));
  EXPECT_TRUE(device->Rewind(voices[1]));
  EXPECT_TRUE(device->IsPlaying(voices[1])) << "rewinding does not stop";
  ASSERT_TRUE(device->Stop(voices[1]));
  EXPECT_FALSE(device->IsPlaying(voices[1]));
  device->DestroyVoice(voices[1]);
  EXPECT_EQ(device->VoiceCount(), 2);
  EXPECT_FALSE(device->Start(voices[1])) << "a destroyed voice is gone";
  // The others still hold the shared samples.
  ASSERT_TRUE(device->Start(voices[2]));
  EXPECT_TRUE(device->IsPlaying(voices[2]));
  device->DestroyVoice(voices[0]);
  device->DestroyVoice(voices[2]);
  EXPECT_EQ(device->VoiceCount(), 0);
}

TEST_F(DirectSoundTest, AVoiceThatRanToItsEndStopsAndStartsOverWhenPlayedAgain) {
  const int v = device->CreateVoice(Tone(0.05, 440, 11025), 1, 11025);
  ASSERT_GE(v, 0);
  ASSERT_TRUE(device->Start(v));
  ASSERT_TRUE(WaitFor([&] { return !device->IsPlaying(v); }, 10s)) << "50 ms never ended";
  ASSERT_TRUE(device->Start(v));
  EXPECT_TRUE(device->IsPlaying(v)) << "played again from its first frame, not from its end";
  EXPECT_TRUE(WaitFor([&] { return !device->IsPlaying(v); }, 10s));
  device->DestroyVoice(v);
}

TEST_F(DirectSoundTest, VoicesThatCannotBeMadeAreRefused) {
  const VoiceSamples tone = Tone(0.1, 440, 22050);
  const struct {
    const char* name;
    VoiceSamples samples;
    int channels;
    int rate;
  } cases[] = {
      {"no samples", nullptr, 1, 22050},
      {"no whole frame", std::make_shared<const std::vector<float>>(1, 0.0f), 2, 22050},
      {"three channels", tone, 3, 22050},
      {"a rate DirectSound cannot play", tone, 1, 50},
  };
  for (const auto& c : cases)
    EXPECT_EQ(device->CreateVoice(c.samples, c.channels, c.rate), -1) << c.name;
  EXPECT_EQ(device->VoiceCount(), 0);
  // There is room for as many voices as the mixer has, and no more.
  std::vector<int> made;
  for (int i = 0; i < AudioMixer::kMaxVoices; ++i) {
    made.push_back(device->CreateVoice(tone, 1, 22050));
    ASSERT_GE(made.back(), 0) << i;
  }
  EXPECT_EQ(device->CreateVoice(tone, 1, 22050), -1);
  for (int v : made) device->DestroyVoice(v);
  EXPECT_EQ(device->VoiceCount(), 0);
}

TEST_F(DirectSoundTest, StereoVoicesPlay) {
  const int v = device->CreateVoice(Tone(0.05, 440, 48000, 2), 2, 48000);
  ASSERT_GE(v, 0);
  ASSERT_TRUE(device->Start(v));
  EXPECT_TRUE(WaitFor([&] { return !device->IsPlaying(v); }, 10s));
}

TEST_F(DirectSoundTest, TheFallbackPlaysOneSoundAtATime) {
  EXPECT_TRUE(device->PlayFallback(Tone(5.0, 440, 22050), 1, 22050));
  EXPECT_TRUE(device->FallbackPlaying());
  // A short one cuts the long one off and ends by itself.
  EXPECT_TRUE(device->PlayFallback(Tone(0.05, 660, 22050), 1, 22050));
  EXPECT_TRUE(WaitFor([&] { return !device->FallbackPlaying(); }, 10s));
  EXPECT_TRUE(device->PlayFallback(Tone(5.0, 440, 22050), 1, 22050));
  EXPECT_TRUE(device->PlayFallback(nullptr, 1, 22050)) << "null only stops it";
  EXPECT_FALSE(device->FallbackPlaying());
  EXPECT_FALSE(device->PlayFallback(Tone(0.05, 440, 22050), 3, 22050));
}

TEST_F(DirectSoundTest, AClosedDeviceFailsQuietly) {
  const VoiceSamples tone = Tone(0.1, 440, 22050);
  const int v = device->CreateVoice(tone, 1, 22050);
  ASSERT_GE(v, 0);
  ASSERT_TRUE(device->Start(v));
  device->Close();
  EXPECT_FALSE(device->IsPlaying(v));
  EXPECT_FALSE(device->Start(v));
  EXPECT_EQ(device->CreateVoice(tone, 1, 22050), -1);
  EXPECT_FALSE(device->PlayFallback(tone, 1, 22050));
  device->DestroyVoice(v);
  device->Close();
  EXPECT_EQ(device->VoiceCount(), 0);
}

TEST(SharedVoiceDeviceTest, ThereIsNoMixerAndTheVoicesAreDirectSounds) {
  // The synthesizer never renders into a mixer here; the voices are the system's.
  EXPECT_EQ(SharedAudioMixer(), nullptr);
  VoiceDevice* shared = SharedVoiceDevice();
  EXPECT_EQ(SharedVoiceDevice(), shared) << "opened once";
  if (shared != nullptr) {
    EXPECT_EQ(shared->PlaybackRate(11025), 11025);
  }
}

// The path of a capture file as this process sees it: a Unix path is reached through Wine's
// drive for the root.
std::wstring CapturePath(const std::string& path) {
  std::wstring wide = win32::Widen(path.c_str());
  if (wide.empty() || wide[0] != L'/') return wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return L"Z:" + wide;
}

// Bytes of the capture file from offset on; empty when it cannot be read.
std::vector<unsigned char> ReadCapture(const std::wstring& path, long offset) {
  std::vector<unsigned char> bytes;
  std::FILE* f = _wfopen(path.c_str(), L"rb");
  if (f == nullptr) return bytes;
  if (std::fseek(f, offset, SEEK_SET) == 0) {
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
  }
  std::fclose(f);
  return bytes;
}

std::size_t NonZero(const std::vector<unsigned char>& bytes) {
  std::size_t n = 0;
  for (unsigned char b : bytes) n += b != 0;
  return n;
}

// Heard, not just accepted: with ORU_SOUND_CAPTURE naming the file the system's audio output
// writes (set up by sound_capture_check.sh), a tone played on a voice reaches that file.
TEST(SoundCaptureTest, ASoundPlayedThroughDirectSoundReachesTheOutput) {
  const char* capture = std::getenv("ORU_SOUND_CAPTURE");
  if (capture == nullptr || capture[0] == '\0')
    GTEST_SKIP() << "ORU_SOUND_CAPTURE names no capture file; tests/platform/win32/"
                    "sound_capture_check.sh sets one up";
  const std::wstring path = CapturePath(capture);
  std::unique_ptr<win32::DirectSoundDevice> device = win32::OpenDirectSound();
  ASSERT_NE(device, nullptr) << "no DirectSound device, though a capture file is configured";
  // What the output wrote before the tone (silence, if anything) is left out.
  std::this_thread::sleep_for(200ms);
  const long before = static_cast<long>(ReadCapture(path, 0).size());
  const int v = device->CreateVoice(Tone(0.5, 440, 22050), 1, 22050);
  ASSERT_GE(v, 0);
  ASSERT_TRUE(device->Start(v));
  ASSERT_TRUE(WaitFor([&] { return !device->IsPlaying(v); }, 30s));
  // A 0.5 s tone at half scale: at 16 bits or more, thousands of its bytes are not zero.
  EXPECT_TRUE(WaitFor([&] { return NonZero(ReadCapture(path, before)) > 4000; }, 30s))
      << "the output wrote " << ReadCapture(path, before).size() << " bytes after offset " << before
      << ", " << NonZero(ReadCapture(path, before)) << " of them not zero";
}

}  // namespace
}  // namespace oru
