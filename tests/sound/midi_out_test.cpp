// MidiOut over a recording backend, SysExMessage, and the platform synthesizer when available.
#include "oru/sound/midi_out.h"
#include "tests/support/test_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <utility>

#include "oru/platform/audio_device.h"
#include "oru/platform/midi_synth.h"

namespace oru {
namespace {

using Kind = MidiRecord::Kind;

MidiRecord Rec(Kind kind, int device, std::uint32_t message = 0,
               std::vector<std::uint8_t> bytes = {}) {
  return MidiRecord{kind, device, message, std::move(bytes)};
}

TEST(MidiOutTest, OpenTheSameDeviceTwiceOpensOnce) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  EXPECT_EQ(out.DeviceId(), 0);
  EXPECT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.Open(MidiMapper));
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, -1)}));
}

TEST(MidiOutTest, OpeningAnotherDeviceResetsAndClosesTheFirst) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  ASSERT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.Open(2));
  EXPECT_EQ(out.DeviceId(), 2);
  EXPECT_EQ(recorder.Records(),
            (std::vector<MidiRecord>{Rec(Kind::kOpen, -1), Rec(Kind::kReset, -1),
                                     Rec(Kind::kClose, -1), Rec(Kind::kOpen, 2)}));
}

TEST(MidiOutTest, ClosedObjectRefusesEverything) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  SysExMessage sysex;
  const std::uint8_t body[] = {0x41, 0xF7};
  sysex.Init(sizeof body, body);
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(out.SendShort(0x90));
  EXPECT_FALSE(out.SendBytes(0x90, 60, 100));
  EXPECT_FALSE(out.SendLong(sysex));
  ASSERT_TRUE(out.Open(0));
  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(out.SendShort(0x90));
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, 0), Rec(Kind::kReset, 0),
                                                         Rec(Kind::kClose, 0)}));
}

TEST(MidiOutTest, FailedOpenLeavesItClosedAndRemembersTheId) {
  MidiRecorder recorder;
  recorder.SetOpenFails(true);
  MidiOut out(&recorder);
  EXPECT_FALSE(out.Open(3));
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(out.DeviceId(), 3);
  EXPECT_FALSE(out.SendShort(0x90));
  recorder.SetOpenFails(false);
  EXPECT_TRUE(out.Open(3));  // a failed open must not count as "already open"
}

TEST(MidiOutTest, SendsPackedWordsAndWholeSysExRecords) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  ASSERT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.SendBytes(0x91, 0x3C, 0x64));
  EXPECT_TRUE(out.SendShort(0xAB403C81));  // the high byte is passed along untouched
  SysExMessage gmOn;
  const std::uint8_t body[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
  ASSERT_TRUE(gmOn.Init(sizeof body, body));
  EXPECT_TRUE(out.SendLong(gmOn));
  EXPECT_NE(gmOn.flags & SysExMessage::kPrepared, 0u);
  EXPECT_EQ(recorder.ShortMessages(), (std::vector<std::uint32_t>{0x643C91, 0xAB403C81}));
  EXPECT_EQ(recorder.Records().back(),
            Rec(Kind::kLong, -1, 0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

TEST(MidiOutTest, DestructionClosesWithAReset) {
  MidiRecorder recorder;
  {
    MidiOut out(&recorder);
    out.Open(0);
  }
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, 0), Rec(Kind::kReset, 0),
                                                         Rec(Kind::kClose, 0)}));
}

TEST(MidiOutTest, DefaultBackendIsTakenAtConstruction) {
  MidiRecorder recorder;
  MidiBackend* previous = MidiOut::SetDefaultBackend(&recorder);
  MidiOut out;
  MidiOut::SetDefaultBackend(previous);
  EXPECT_TRUE(out.Open(5));
  EXPECT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(MidiOut::SetDefaultBackend(previous), previous);
}

TEST(MidiOutTest, DeviceNameIsCutToTheBufferAndTo31Characters) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  char name[64];
  std::memset(name, 'x', sizeof name);
  out.DeviceName(0, name, sizeof name);
  EXPECT_STREQ(name, "Oru MIDI recorder");
  char small[4];
  out.DeviceName(0, small, sizeof small);
  EXPECT_STREQ(small, "Oru");
  out.DeviceName(0, nullptr, 0);  // nothing to write into: no crash
}

TEST(MidiOutTest, PlatformDeviceNames) {
  MidiOut out(nullptr);
  char name[32];
  out.DeviceName(7, name, sizeof name);
  EXPECT_STREQ(name, "");
  out.DeviceName(0, name, sizeof name);
  // Windows names the system's own device 0, which a machine may lack (Wine has none here).
  if (test::IsWindows() && name[0] == '\0') GTEST_SKIP() << "this system has no MIDI device 0";
  EXPECT_STRNE(name, "");
  EXPECT_LE(std::strlen(name), kMidiDeviceNameMax);
}

TEST(SysExMessageTest, InitPrefixesF0AndCopiesTheBody) {
  SysExMessage m;
  EXPECT_EQ(m.Buffer(), nullptr);
  EXPECT_EQ(m.BufferLength(), 0u);
  const std::uint8_t body[] = {1, 2, 3, 4, 0xF7};
  m.flags = 3;
  ASSERT_TRUE(m.Init(5, body));
  ASSERT_EQ(m.BufferLength(), 6u);
  EXPECT_EQ(std::vector<std::uint8_t>(m.Buffer(), m.Buffer() + 6),
            (std::vector<std::uint8_t>{0xF0, 1, 2, 3, 4, 0xF7}));
  EXPECT_EQ(m.flags, 0u);

  SysExMessage moved = std::move(m);
  EXPECT_EQ(m.Buffer(), nullptr);
  EXPECT_EQ(moved.BufferLength(), 6u);

  EXPECT_FALSE(moved.Init(3, nullptr));
  EXPECT_EQ(moved.Buffer(), nullptr);
  ASSERT_TRUE(moved.Init(0, nullptr));
  EXPECT_EQ(moved.BufferLength(), 1u);
  EXPECT_EQ(moved.Buffer()[0], 0xF0);
}

// The synthesizer itself, rendered by hand. Needs a General MIDI SoundFont; skipped without one.
class MidiSynthTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    synth_ = MidiSynth::Create(nullptr, nullptr).release();
    // The piano every channel starts with sounds only once warmed.
    if (synth_ != nullptr) synth_->Warm({{0, 0}});
  }
  static void TearDownTestSuite() {
    delete synth_;
    synth_ = nullptr;
  }
  void SetUp() override {
    if (synth_ == nullptr) GTEST_SKIP() << "no SoundFont installed";
  }
  // Peak level of frames rendered from now on.
  static float Peak(int frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    synth_->Render(out.data(), frames);
    float peak = 0.0f;
    for (float v : out) peak = std::max(peak, std::abs(v));
    return peak;
  }
  static MidiSynth* synth_;
};
MidiSynth* MidiSynthTest::synth_ = nullptr;

TEST_F(MidiSynthTest, NoteSoundsAndResetEndsIt) {
  ASSERT_TRUE(synth_->Reset());
  Peak(44100);
  EXPECT_LT(Peak(1000), 1e-4f);
  ASSERT_TRUE(synth_->SendShort(PackMidiMessage(0xB0, 64, 127)));  // sustain held down
  ASSERT_TRUE(synth_->SendShort(PackMidiMessage(0x90, 60, 127)));
  ASSERT_TRUE(synth_->SendShort(PackMidiMessage(0x80, 60, 0)));  // held by the pedal
  EXPECT_GT(Peak(4410), 0.01f);
  ASSERT_TRUE(synth_->Reset());
  Peak(3 * 44100);  // the release tail dies away
  EXPECT_LT(Peak(1000), 1e-3f);
}

TEST_F(MidiSynthTest, RefusesWhatIsNotAChannelMessage) {
  EXPECT_FALSE(synth_->SendShort(0x3C));  // running status: not packed
  EXPECT_FALSE(synth_->SendShort(PackMidiMessage(0xF0, 1, 2)));
  EXPECT_FALSE(synth_->SendShort(PackMidiMessage(0xFF, 0, 0)));
  EXPECT_TRUE(synth_->SendShort(PackMidiMessage(0xE0, 0, 64)));
  const std::uint8_t gmOn[] = {0x7E, 0x7F, 0x09, 0x01};
  EXPECT_TRUE(synth_->SendSysEx(gmOn, sizeof gmOn));
  EXPECT_FALSE(synth_->SendSysEx(gmOn, 0));
  EXPECT_FALSE(synth_->SendSysEx(nullptr, 4));
  std::vector<std::uint8_t> huge(1 << 16, 0x10);
  EXPECT_FALSE(synth_->SendSysEx(huge.data(), huge.size()));
  Peak(256);
}

TEST_F(MidiSynthTest, RendersIntoAMixerInSmallBlocks) {
  AudioMixer mixer(44100);
  std::unique_ptr<MidiSynth> own = MidiSynth::Create(&mixer, nullptr);
  ASSERT_NE(own, nullptr);
  own->Warm({{0, 0}});
  own->SendShort(PackMidiMessage(0xC0, 0, 0));
  own->SendShort(PackMidiMessage(0x90, 64, 120));
  // Messages keep their spacing in time, so a note sent just before a block may start near its
  // end; by the next block it sounds. 1000 frames is not a multiple of the 256-frame pieces.
  std::vector<float> out(2 * 1000);
  mixer.Mix(out.data(), 1000);
  mixer.Mix(out.data(), 1000);
  float peak = 0.0f;
  for (float v : out) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 0.01f);
  // A stream of messages longer than the queue drains block by block instead of piling up.
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 4000; ++i) ASSERT_TRUE(own->SendShort(PackMidiMessage(0xB0, 1, i & 0x7F)));
    mixer.Mix(out.data(), 1000);
  }
}

std::atomic<std::int64_t> fakeNowNs{0};
std::int64_t FakeClock() { return fakeNowNs.load(); }

TEST_F(MidiSynthTest, MessagesSoundWhereTheirSendTimeFallsInTheBlock) {
  AudioMixer mixer(48000);
  std::unique_ptr<MidiSynth> own = MidiSynth::Create(&mixer, nullptr, &FakeClock);
  ASSERT_NE(own, nullptr);
  own->Warm({{0, 0}});
  fakeNowNs = 0;
  own->SendShort(PackMidiMessage(0xC0, 0, 0));
  own->SendShort(PackMidiMessage(0x90, 60, 127));
  // The block is rendered 10 ms (480 frames) after the note was sent: the note belongs 480
  // frames before the block's end, so what comes before that is silence.
  fakeNowNs = 10'000'000;
  std::vector<float> out(2 * 960);
  mixer.Mix(out.data(), 960);
  float before = 0.0f, after = 0.0f;
  for (int i = 0; i < 2 * 960; ++i) {
    float& peak = i < 2 * 479 ? before : after;
    peak = std::max(peak, std::abs(out[i]));
  }
  EXPECT_LT(before, 1e-6f);  // the synthesizer's own noise floor, far below any note
  EXPECT_GT(after, 1e-3f);
}

TEST(MidiSynthPlatformTest, SoundFontLookupFindsAReadableFile) {
  std::string path = FindSoundFont();
  if (path.empty()) GTEST_SKIP() << "no SoundFont installed";
  std::FILE* f = std::fopen(path.c_str(), "rb");
  EXPECT_NE(f, nullptr);
  if (f) std::fclose(f);
  EXPECT_EQ(MidiSynth::Create(nullptr, "/nonexistent/none.sf2"), nullptr);
}

// Through MidiOut on the platform's own devices: opens when there is an audio device (the dummy
// driver counts) and a SoundFont, and otherwise fails cleanly.
TEST(MidiSynthPlatformTest, MapperOpensOnlyWithDeviceAndSoundFont) {
  MidiOut out(nullptr);
  bool expected = SharedAudioMixer() != nullptr && !FindSoundFont().empty();
  // The synthesizer loads on a thread of its own; nothing opens until it is there.
  out.Prepare(MidiMapper, {});
  SharedMidiSynthLoader().WaitUntilSettled();
  EXPECT_FALSE(out.Loading(MidiMapper));
  EXPECT_EQ(out.Open(MidiMapper), expected);
  EXPECT_EQ(out.SendBytes(0x90, 60, 100), expected);
  EXPECT_EQ(out.Close(), expected);
  EXPECT_FALSE(out.Open(5));  // no further devices
}

}  // namespace
}  // namespace oru
