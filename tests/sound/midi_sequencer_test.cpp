// MidiSequencer driven tick by tick: a hand-delivered timer and a recording MIDI device.
#include "oru/sound/midi_sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "oru/platform/midi_synth.h"
#include "oru/platform/resources.h"
#include "oru/sound/midi_presets_internal.h"
#include "tests/sound/midi_file_builder.h"
#include "tests/support/wait_for.h"

namespace oru {
namespace {

using test::MidiFileBuilder;

// A timer whose ticks the test delivers, each one millisecond after the one before; every Start
// makes a new event id.
class ManualTicks : public MidiTickSource {
 public:
  std::uint32_t Start(std::uint32_t, IntervalTimer::Callback callback,
                      std::uintptr_t user) override {
    callback_ = callback;
    user_ = user;
    id_ = ++lastId_;
    ++starts_;
    return id_;
  }
  void Stop() override {
    id_ = 0;
    ++stops_;
  }
  std::uint32_t Id() const override { return id_; }
  std::uint64_t NowMicroseconds() const override { return now_; }

  // n ticks of whatever event runs at each one; none while the timer is stopped.
  void Tick(int n = 1) {
    for (int i = 0; i < n && id_ != 0; ++i) {
      now_ += 1000;
      callback_(id_, 0, user_, 0, 0);
    }
  }
  // Time passes without ticks, as when the timer thread is held up.
  void Skip(int ms) { now_ += static_cast<std::uint64_t>(ms) * 1000; }
  // A tick carrying a given event id, as from an event that has been replaced.
  void TickWithId(std::uint32_t id) { callback_(id, 0, user_, 0, 0); }
  int Starts() const { return starts_; }
  int Stops() const { return stops_; }

 private:
  IntervalTimer::Callback callback_ = nullptr;
  std::uintptr_t user_ = 0;
  std::atomic<std::uint32_t> id_{0};
  std::atomic<std::uint64_t> now_{5000000};
  std::uint32_t lastId_ = 0;
  int starts_ = 0;
  int stops_ = 0;
};

constexpr std::uint32_t Msg(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
  return PackMidiMessage(status, d1, d2);
}

class MidiSequencerTest : public testing::Test {
 protected:
  void Load(const MidiFileBuilder& file) {
    ASSERT_TRUE(sequencer.LoadImage(file.Bytes()));
    recorder.Clear();
  }
  std::vector<std::uint32_t> Shorts() const { return recorder.ShortMessages(); }
  bool Sent(std::uint32_t message) const {
    const auto words = Shorts();
    return std::find(words.begin(), words.end(), message) != words.end();
  }
  int CountSent(std::uint32_t message) const {
    const auto words = Shorts();
    return static_cast<int>(std::count(words.begin(), words.end(), message));
  }
  // The value of the last controller-7 message sent on a channel, -1 when none.
  int LastVolume(int channel) const {
    const auto words = Shorts();
    for (auto it = words.rbegin(); it != words.rend(); ++it)
      if ((*it & 0xFFFF) == static_cast<std::uint32_t>(0x07B0 | channel))
        return static_cast<int>(*it >> 16);
    return -1;
  }
  bool Has(MidiRecord::Kind kind) const {
    const auto records = recorder.Records();
    return std::any_of(records.begin(), records.end(),
                       [kind](const MidiRecord& r) { return r.kind == kind; });
  }

  MidiRecorder recorder;
  ManualTicks ticks;
  MidiSequencer sequencer{&recorder, &ticks};
};

// One song tick per millisecond: division 400 at the default 400000 microseconds per beat.
constexpr std::uint16_t kOneTickPerMs = 400;

struct TargetCase {
  const char* name;
  std::uint32_t tempoEvent;  // 0: the song has none
  int tempoOffset;
  std::uint32_t dueTick;  // song ticks played after 1000 ms
  int leadTicks;          // timer ticks before the count that matters starts
  int repeatEvery = 0;    // the game sets the same offset again every so many ticks
};

class MidiSequencerTarget : public MidiSequencerTest,
                            public testing::WithParamInterface<TargetCase> {};

TEST_P(MidiSequencerTarget, SongTicksFollowTheTempo) {
  const TargetCase& c = GetParam();
  MidiFileBuilder file(480);
  // The first entry plays at once whatever its time, so the song starts with one at tick 0.
  file.Track(0).Note(0, 0x90, 0, 0);
  if (c.tempoEvent) file.Track(0).Tempo(0, c.tempoEvent);
  file.Track(1).Note(c.dueTick - 1, 0x90, 1, 1).Note(1, 0x90, 2, 2);
  Load(file);
  ASSERT_TRUE(sequencer.Play());
  if (c.tempoOffset) sequencer.SetTempoOffset(c.tempoOffset);
  for (int i = 0; i < c.leadTicks + 999; ++i) {
    if (c.repeatEvery && i % c.repeatEvery == 0) sequencer.SetTempoOffset(c.tempoOffset);
    ticks.Tick();
  }
  EXPECT_FALSE(Sent(Msg(0x90, 1, 1)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 1, 1)));
  EXPECT_FALSE(Sent(Msg(0x90, 2, 2)));
}

const TargetCase kTargets[] = {
    {"DefaultTempo", 0, 0, 1200, 0},
    {"OffsetOf16", 0, 16, 1328, 0},
    {"OffsetRepeatedEveryFrame", 0, 16, 1328, 0, 30},
    // The tempo event is played in the first tick and restarts the millisecond count.
    {"SongTempo", 500000, 0, 960, 1},
    {"SongTempoWithOffset", 500000, 16, 1088, 1},
};
INSTANTIATE_TEST_SUITE_P(Division480, MidiSequencerTarget, testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MidiSequencerTest, AtMostTenSongTicksPerTimerTick) {
  MidiFileBuilder file(9600);  // 24 song ticks per millisecond
  file.Track(0).Note(0, 0x90, 1, 1).Note(10, 0x90, 2, 2).Note(1, 0x90, 3, 3);
  Load(file);
  sequencer.Play();
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 1, 1)));
  EXPECT_FALSE(Sent(Msg(0x90, 2, 2)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 2, 2)));
  EXPECT_TRUE(Sent(Msg(0x90, 3, 3)));
}

TEST_F(MidiSequencerTest, MissedTicksDoNotHoldTheSongBack) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1).Note(100, 0x90, 2, 2);
  Load(file);
  sequencer.Play();
  ticks.Tick(50);
  ticks.Skip(30);
  ticks.Tick(20);  // catching up at 10 song ticks per timer tick
  EXPECT_FALSE(Sent(Msg(0x90, 2, 2)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 2, 2)));
}

TEST_F(MidiSequencerTest, PlayOnAnEmptySequencerOpensNothing) {
  EXPECT_FALSE(sequencer.Play());
  EXPECT_FALSE(sequencer.Resume());
  EXPECT_FALSE(sequencer.SeekTo(10));
  EXPECT_FALSE(sequencer.FadeIn(10, -90));
  EXPECT_FALSE(sequencer.FadeOut(10));
  EXPECT_FALSE(sequencer.Unload());
  EXPECT_TRUE(recorder.Records().empty());
  EXPECT_EQ(ticks.Starts(), 0);
  EXPECT_FALSE(sequencer.IsPlaying());
}

TEST_F(MidiSequencerTest, LoadFailsOnBadImageAndKeepsTheSong) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1);
  Load(file);
  const std::vector<std::uint8_t> junk{'M', 'T', 'h', 'd', 0, 0, 0, 6};
  EXPECT_FALSE(sequencer.LoadImage(junk));
  EXPECT_TRUE(sequencer.HasSong());
  EXPECT_FALSE(sequencer.Load("no such file.mid", nullptr));
  EXPECT_TRUE(sequencer.Play());
}

TEST_F(MidiSequencerTest, LoadsThroughDataSources) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Name(0, "resource").Note(0, 0x90, 1, 1);
  const std::vector<std::uint8_t> image = file.Bytes();
  ASSERT_TRUE(RegisterResource("sequencer_test.mid", "MIDI", image.data(), image.size()));
  EXPECT_TRUE(sequencer.Load("sequencer_test.mid", "MIDI"));
  EXPECT_STREQ(sequencer.Song().Title(), "resource");
  EXPECT_FALSE(sequencer.Load("sequencer_test.mid", nullptr));  // a resource of another type
  UnregisterResource("sequencer_test.mid", "MIDI");
  const std::uint8_t empty = 0;
  ASSERT_TRUE(RegisterResource("empty.mid", "MIDI", &empty, 0));
  EXPECT_FALSE(sequencer.Load("empty.mid", "MIDI"));
  UnregisterResource("empty.mid", "MIDI");
}

TEST_F(MidiSequencerTest, StopSilencesEveryChannelThenResetsAndCloses) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xB0, 7, 100}).Message(0, {0xB5, 7, 127}).Note(1000, 0x90, 1, 1);
  Load(file);
  sequencer.Play();
  ticks.Tick(5);
  recorder.Clear();
  const std::uint32_t id = ticks.Id();
  EXPECT_TRUE(sequencer.Stop());
  EXPECT_FALSE(sequencer.IsPlaying());
  std::vector<MidiRecord> expected;
  for (int c = 0; c < 16; ++c)
    expected.push_back(
        {MidiRecord::kShort, MidiMapper, Msg(static_cast<std::uint8_t>(0xB0 | c), 7, 0), {}});
  expected.push_back({MidiRecord::kReset, MidiMapper, 0, {}});
  expected.push_back({MidiRecord::kClose, MidiMapper, 0, {}});
  EXPECT_EQ(recorder.Records(), expected);
  // A tick that arrives after the stop changes nothing.
  ticks.TickWithId(id);
  EXPECT_EQ(recorder.Count(), expected.size());
}

TEST_F(MidiSequencerTest, VolumeMessagesCarryTheGain) {
  // The second volume message arrives at timer tick 91 of a 180 ms fade-out: gain -45.5.
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xB0, 7, 100}).Message(90, {0xB0, 7, 100}).Note(1000, 0x90, 1, 1);
  Load(file);
  sequencer.Play();
  sequencer.FadeOut(180);
  ticks.Tick(90);
  const std::size_t before = recorder.Count();
  ticks.Tick();
  EXPECT_FLOAT_EQ(sequencer.Gain(), -45.5f);
  ASSERT_EQ(recorder.Count(), before + 1);
  EXPECT_EQ(Shorts().back(), Msg(0xB0, 7, 55));
  EXPECT_EQ(sequencer.Channel(0).volume, 100);
}

TEST_F(MidiSequencerTest, FadeOutLowersEveryVolumeThenStops) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xB0, 7, 100}).Message(0, {0xB1, 7, 50}).Note(5000, 0x90, 1, 1);
  Load(file);
  sequencer.Play();
  ticks.Tick();
  ASSERT_TRUE(sequencer.FadeOut(2000));
  int previous = 100;
  for (int i = 0; i < 2000; ++i) {
    ticks.Tick();
    const int volume = LastVolume(0);
    ASSERT_LE(volume, previous) << "tick " << i;
    previous = volume;
  }
  EXPECT_TRUE(sequencer.IsPlaying());
  EXPECT_GE(LastVolume(0), 10);
  EXPECT_LE(LastVolume(0), 11);
  // A channel whose volume the song never set fades from the device's starting volume.
  EXPECT_GE(LastVolume(2), 10);
  EXPECT_LE(LastVolume(2), 11);
  ticks.Tick();
  EXPECT_FALSE(sequencer.IsPlaying());
  EXPECT_EQ(sequencer.Gain(), 0.0f);
  EXPECT_EQ(LastVolume(0), 0);
  EXPECT_TRUE(Has(MidiRecord::kClose));
}

TEST_F(MidiSequencerTest, FadeInRisesFromTheStartGain) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xB0, 7, 100}).Note(5000, 0x90, 1, 1);
  Load(file);
  sequencer.Play();
  ticks.Tick();
  recorder.Clear();
  ASSERT_TRUE(sequencer.FadeIn(1000, -90));
  EXPECT_EQ(LastVolume(0), 100);  // the resume sends the volumes at gain 0
  EXPECT_EQ(LastVolume(1), 100);
  ticks.Tick();
  EXPECT_EQ(LastVolume(0), 10);
  ticks.Tick(998);
  EXPECT_LT(LastVolume(0), 100);
  ticks.Tick();
  EXPECT_EQ(LastVolume(0), 100);
  EXPECT_EQ(sequencer.Gain(), 0.0f);
}

TEST_F(MidiSequencerTest, PlayAfterAStopInAFadeStartsAtFullVolume) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xB0, 7, 100}).Note(5000, 0x90, 1, 1);
  Load(file);
  sequencer.Play();
  sequencer.FadeOut(180);
  ticks.Tick(91);
  sequencer.Stop();
  EXPECT_FLOAT_EQ(sequencer.Gain(), -45.5f);
  recorder.Clear();
  sequencer.Play();
  ticks.Tick();
  EXPECT_EQ(LastVolume(0), 100);
  EXPECT_EQ(sequencer.Gain(), 0.0f);
}

TEST_F(MidiSequencerTest, LoopReplaysWithoutStopping) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xC0, 7}).Note(0, 0x90, 1, 1).Tempo(0, 200000).Note(20, 0x90, 2, 2);
  Load(file);
  sequencer.SetLoop(true);
  sequencer.Play();
  ticks.Tick(12);  // tick 1 plays the tempo: 2 song ticks per ms from then on
  EXPECT_TRUE(Sent(Msg(0x90, 2, 2)));
  EXPECT_EQ(CountSent(Msg(0x90, 1, 1)), 1);
  ticks.Tick(2);
  EXPECT_EQ(CountSent(Msg(0x90, 1, 1)), 2);
  EXPECT_EQ(CountSent(Msg(0xC0, 7, 0)), 3);  // played, re-sent with the channel state, played
  EXPECT_EQ(LastVolume(0), 100);             // the song never set one: the loop must not silence it
  EXPECT_TRUE(Sent(Msg(0xB0, 10, 64)));
  EXPECT_FALSE(Has(MidiRecord::kClose));
  EXPECT_TRUE(sequencer.IsPlaying());
}

// The song is timed from a clock, so neither a loop nor a tempo event has to restart the timer.
// Restarting it left a moment in which the song did not count as playing, and a looping song
// shorter than a tick (this one lasts a third of a millisecond) loops every other tick: whoever
// kept asking whether it played, as `oru midi play --loop` does, soon heard no.
TEST_F(MidiSequencerTest, LoopsAndTempoEventsNeverStopTheTimer) {
  MidiFileBuilder file(9600);  // 24 song ticks per ms
  file.Track(0).Tempo(0, 400000).Note(0, 0x90, 1, 1).Note(8, 0x80, 1, 0);
  Load(file);
  sequencer.SetLoop(true);
  sequencer.Play();
  const int starts = ticks.Starts(), stops = ticks.Stops();
  const std::uint32_t id = ticks.Id();
  ticks.Tick(50);
  EXPECT_GE(CountSent(Msg(0x90, 1, 1)), 20);
  EXPECT_EQ(ticks.Stops(), stops);
  EXPECT_EQ(ticks.Starts(), starts);
  EXPECT_EQ(ticks.Id(), id);
}

TEST_F(MidiSequencerTest, WithoutLoopTheEndStops) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1).Note(10, 0x90, 2, 2);
  Load(file);
  sequencer.SetLoop(false);
  sequencer.Play();
  ticks.Tick(20);
  EXPECT_EQ(CountSent(Msg(0x90, 1, 1)), 1);
  EXPECT_FALSE(sequencer.IsPlaying());
  EXPECT_TRUE(Has(MidiRecord::kClose));
}

TEST_F(MidiSequencerTest, SeekPlaysSilentlyAndKeepsTheChannelState) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0)
      .Note(0, 0x90, 1, 1)
      .Message(100, {0xC1, 33})
      .SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
      .Note(0, 0x90, 2, 2)
      .Note(100, 0x90, 3, 3)
      .Note(100, 0x90, 4, 4);
  Load(file);
  ASSERT_TRUE(sequencer.SeekTo(150));
  EXPECT_EQ(sequencer.Song().Position(), 200u);
  EXPECT_FALSE(Sent(Msg(0x90, 1, 1)));
  EXPECT_FALSE(Sent(Msg(0x90, 2, 2)));
  EXPECT_FALSE(Sent(Msg(0x90, 3, 3)));
  EXPECT_EQ(CountSent(Msg(0xB0, 120, 0)), 1);  // all sound off on the fresh device
  EXPECT_TRUE(Sent(Msg(0xC1, 33, 0)));         // the program, sent with the channel state
  EXPECT_EQ(sequencer.Channel(1).program, 33);
  EXPECT_TRUE(Has(MidiRecord::kLong));  // a sysex reaches the device even while silent
  EXPECT_TRUE(sequencer.IsPlaying());
  ticks.Tick(99);
  EXPECT_FALSE(Sent(Msg(0x90, 4, 4)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 4, 4)));
}

TEST_F(MidiSequencerTest, SeekWhilePlayingJumpsBack) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0)
      .Note(0, 0x90, 1, 1)
      .Note(10, 0x90, 2, 2)
      .Note(100, 0x90, 3, 3)
      .Note(100, 0x90, 4, 4);
  Load(file);
  sequencer.Play();
  ticks.Tick(150);
  ASSERT_TRUE(Sent(Msg(0x90, 3, 3)));
  recorder.Clear();
  ASSERT_TRUE(sequencer.SeekTo(5));
  EXPECT_EQ(sequencer.Song().Position(), 10u);
  EXPECT_TRUE(sequencer.IsPlaying());
  ticks.Tick(100);
  EXPECT_EQ(CountSent(Msg(0x90, 3, 3)), 1);
  EXPECT_FALSE(Sent(Msg(0x90, 4, 4)));
}

TEST_F(MidiSequencerTest, SetDeviceSwitchesInMidSong) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Message(0, {0xC0, 5}).Note(10, 0x90, 1, 1).Note(100, 0x90, 2, 2);
  Load(file);
  sequencer.SetDevice(3);  // stopped: only remembered
  EXPECT_TRUE(recorder.Records().empty());
  sequencer.Play();  // always the default device
  ticks.Tick(20);
  recorder.Clear();
  sequencer.SetDevice(3);
  const auto records = recorder.Records();
  ASSERT_GE(records.size(), 19u);
  EXPECT_EQ(records[16].kind, MidiRecord::kReset);
  EXPECT_EQ(records[17].kind, MidiRecord::kClose);
  EXPECT_EQ(records[17].deviceId, MidiMapper);
  EXPECT_EQ((records[18] == MidiRecord{MidiRecord::kOpen, 3, 0, {}}), true);
  EXPECT_TRUE(Sent(Msg(0xC0, 5, 0)));
  EXPECT_FALSE(Sent(Msg(0x90, 1, 1)));
  ticks.Tick(100);
  EXPECT_TRUE(Sent(Msg(0x90, 2, 2)));
  EXPECT_EQ(recorder.Records().back().deviceId, 3);
}

TEST_F(MidiSequencerTest, StaleAndStoppedTicksAreDropped) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1).Note(1, 0x90, 2, 2);
  Load(file);
  sequencer.Play();
  const std::uint32_t first = ticks.Id();
  sequencer.SetTempoOffset(1);  // restarts the timer under a new id
  ASSERT_NE(ticks.Id(), first);
  ticks.TickWithId(first);
  EXPECT_FALSE(Sent(Msg(0x90, 1, 1)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x90, 1, 1)));
}

TEST_F(MidiSequencerTest, ResumeReopensTheSelectedDeviceAndRestoresChannels) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0)
      .Message(0, {0xB2, 0, 1})
      .Message(0, {0xB2, 10, 20})
      .Message(0, {0xB2, 91, 30})
      .Message(0, {0xB2, 93, 40})
      .Message(0, {0xB2, 7, 50})
      .Message(0, {0xC2, 60})
      .Note(100, 0x92, 1, 1);
  Load(file);
  sequencer.Play();
  ticks.Tick(5);
  sequencer.Stop();
  EXPECT_EQ(sequencer.Channel(2), (ChannelState{60, 1, 20, 30, 40, 50}));
  sequencer.SetDevice(7);
  recorder.Clear();
  ASSERT_TRUE(sequencer.Resume());
  const auto records = recorder.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ((records[0] == MidiRecord{MidiRecord::kOpen, 7, 0, {}}), true);
  for (std::uint32_t m : {Msg(0xB2, 120, 0), Msg(0xC2, 60, 0), Msg(0xB2, 0, 1), Msg(0xB2, 10, 20),
                          Msg(0xB2, 91, 30), Msg(0xB2, 93, 40), Msg(0xB2, 7, 50), Msg(0xB5, 7, 100),
                          Msg(0xB5, 10, 64), Msg(0xB5, 91, 40)})
    EXPECT_TRUE(Sent(m)) << std::hex << m;
  ticks.Tick(95);
  EXPECT_FALSE(Sent(Msg(0x92, 1, 1)));
  ticks.Tick();
  EXPECT_TRUE(Sent(Msg(0x92, 1, 1)));
}

TEST_F(MidiSequencerTest, DeviceThatDoesNotOpenLeavesPlaybackRunning) {
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1).Note(10, 0x90, 2, 2);
  Load(file);
  recorder.SetOpenFails(true);
  sequencer.SetLoop(false);
  EXPECT_TRUE(sequencer.Play());
  ticks.Tick(5);
  EXPECT_TRUE(sequencer.IsPlaying());
  EXPECT_EQ(sequencer.Song().Index(), 1);
  ticks.Tick(10);
  EXPECT_FALSE(sequencer.IsPlaying());
  EXPECT_TRUE(recorder.Records().empty());
}

// A device whose port holds one chosen message until the test lets it through.
class GatedBackend : public MidiBackend {
 public:
  GatedBackend(MidiRecorder& recorder, std::uint32_t gated) : recorder_(recorder), gated_(gated) {}
  std::unique_ptr<MidiPort> Open(int deviceId) override {
    return std::make_unique<Port>(*this, recorder_.Open(deviceId));
  }
  bool DeviceName(int deviceId, char* name, std::size_t size) override {
    return recorder_.DeviceName(deviceId, name, size);
  }
  void WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(30), [this] { return held_; }));
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  class Port : public MidiPort {
   public:
    Port(GatedBackend& owner, std::unique_ptr<MidiPort> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    bool SendShort(std::uint32_t message) override {
      if (message == owner_.gated_) {
        std::unique_lock lock(owner_.mutex_);
        owner_.held_ = true;
        owner_.changed_.notify_all();
        owner_.changed_.wait(lock, [this] { return owner_.released_; });
      }
      return inner_->SendShort(message);
    }
    bool SendLong(const std::uint8_t* bytes, std::uint32_t length) override {
      return inner_->SendLong(bytes, length);
    }
    void Reset() override { inner_->Reset(); }

   private:
    GatedBackend& owner_;
    std::unique_ptr<MidiPort> inner_;
  };

  MidiRecorder& recorder_;
  std::uint32_t gated_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
};

TEST(MidiSequencerThreads, StopWaitsForTheRunningTick) {
  MidiRecorder recorder;
  GatedBackend backend(recorder, Msg(0x90, 1, 1));
  ManualTicks ticks;
  MidiSequencer sequencer(&backend, &ticks);
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0).Note(0, 0x90, 1, 1).Note(100, 0x90, 2, 2);
  ASSERT_TRUE(sequencer.LoadImage(file.Bytes()));
  sequencer.Play();

  std::thread timerThread([&] { ticks.Tick(); });
  backend.WaitUntilHeld();
  EXPECT_TRUE(sequencer.IsBusy());
  std::atomic<bool> stopped{false};
  std::thread gameThread([&] {
    sequencer.Stop();
    stopped = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(stopped.load());
  backend.Release();
  timerThread.join();
  gameThread.join();

  // The held note reached the device before the stop's volumes and the close.
  const auto records = recorder.Records();
  ASSERT_EQ(records.size(), 1u + 1u + 16u + 2u);
  EXPECT_EQ(records[0].kind, MidiRecord::kOpen);
  EXPECT_EQ(records[1].message, Msg(0x90, 1, 1));
  EXPECT_EQ(records[2].message, Msg(0xB0, 7, 0));
  EXPECT_EQ(records.back().kind, MidiRecord::kClose);
  EXPECT_FALSE(sequencer.IsBusy());
}

// Operations from the game thread against the real 1 ms timer, in a random order with random
// pauses. Checks the outcome only; run under the thread sanitizer it also checks the handshake.
TEST(MidiSequencerThreads, OperationsRaceTheRealTimer) {
  MidiRecorder recorder;
  MidiSequencer sequencer(&recorder);
  MidiFileBuilder file(kOneTickPerMs);
  file.Track(0)
      .Message(0, {0xB0, 7, 100})
      .Note(0, 0x90, 1, 1)
      .Tempo(3, 300000)
      .Note(2, 0x90, 2, 2)
      .Note(5, 0x80, 2, 0);
  file.Track(1).Note(1, 0x91, 1, 1).Note(7, 0x81, 1, 0);
  ASSERT_TRUE(sequencer.LoadImage(file.Bytes()));
  std::mt19937 random(3);
  for (int i = 0; i < 300; ++i) {
    switch (random() % 8) {
      case 0:
        sequencer.Play();
        break;
      case 1:
        sequencer.Stop();
        break;
      case 2:
        sequencer.SetTempoOffset(static_cast<int>(random() % 64));
        break;
      case 3:
        sequencer.FadeOut(static_cast<int>(random() % 20));
        break;
      case 4:
        sequencer.FadeIn(static_cast<int>(random() % 20), -50);
        break;
      case 5:
        sequencer.SetLoop(random() % 2);
        break;
      case 6:
        sequencer.Resume();
        break;
      default:
        sequencer.SeekTo(random() % 15);
        break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
  }
  sequencer.Stop();
  EXPECT_FALSE(sequencer.IsPlaying());
  EXPECT_FALSE(sequencer.IsBusy());
  ASSERT_FALSE(recorder.Records().empty());
  EXPECT_EQ(recorder.Records().back().kind, MidiRecord::kClose);
  // Nothing reaches the device after the stop.
  const std::size_t count = recorder.Count();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(recorder.Count(), count);
}

// ---- a default device that loads in the background ----

// Holds whoever waits on it until the test opens it.
class Gate {
 public:
  void Wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// A synthesizer that records what reaches it.
class RecordingSynth : public MidiSynth {
 public:
  bool SendShort(std::uint32_t message) override {
    std::lock_guard lock(mutex_);
    shorts_.push_back(message);
    return true;
  }
  bool SendSysEx(const std::uint8_t*, std::size_t) override { return true; }
  bool Reset() override { return true; }
  void Render(float*, int) override {}
  int Warm(const std::vector<SynthPreset>& presets) override {
    std::lock_guard lock(mutex_);
    warmed_.insert(warmed_.end(), presets.begin(), presets.end());
    return static_cast<int>(presets.size());
  }
  std::vector<std::uint32_t> Shorts() const {
    std::lock_guard lock(mutex_);
    return shorts_;
  }
  std::vector<SynthPreset> Warmed() const {
    std::lock_guard lock(mutex_);
    return warmed_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::uint32_t> shorts_;
  std::vector<SynthPreset> warmed_;
};

// A sequencer on the synthesizer backend whose loader blocks until the test opens its gate (or,
// with fails set, then reports that no synthesizer could be made).
class LoadingDeviceTest : public testing::Test {
 protected:
  explicit LoadingDeviceTest(bool fails = false)
      : loader([this, fails]() -> std::unique_ptr<MidiSynth> {
          gate.Wait();
          if (fails) return nullptr;
          auto synth = std::make_unique<RecordingSynth>();
          made = synth.get();
          return synth;
        }) {}
  ~LoadingDeviceTest() override { gate.Open(); }  // before the loader joins its thread

  void SetUp() override {
    MidiFileBuilder file(kOneTickPerMs);
    file.Track(0)
        .Message(0, {0xC0, 73})
        .Note(0, 0x90, 1, 1)
        .Note(10, 0x90, 2, 2)
        .Note(10, 0x80, 2, 0);
    ASSERT_TRUE(sequencer.LoadImage(file.Bytes()));
  }
  // Play, called from another thread as the game thread would: true when it returned in time.
  bool PlayReturns() {
    std::atomic<bool> returned{false};
    std::thread game([&] {
      sequencer.Play();
      returned = true;
    });
    const bool inTime = WaitFor([&] { return returned.load(); }, std::chrono::seconds(30));
    gate.Open();  // lets a Play that is stuck in the load come back, so the join cannot hang
    game.join();
    return inTime;
  }
  void FinishLoading() {
    gate.Open();
    loader.WaitUntilSettled();
  }

  Gate gate;
  RecordingSynth* made = nullptr;
  MidiSynthLoader loader;
  SynthMidiBackend backend{&loader};
  ManualTicks ticks;
  MidiSequencer sequencer{&backend, &ticks};
};

TEST_F(LoadingDeviceTest, PlayReturnsAtOnceAndTheSongStartsWhenTheLoadEnds) {
  ASSERT_TRUE(PlayReturns());
  // The gate is open now, but the loader may not have got there yet: what matters is that Play
  // came back while it was held, and that the song waits for the synthesizer.
  loader.WaitUntilSettled();
  ASSERT_EQ(loader.Current(), MidiSynthLoader::State::kReady);
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(sequencer.IsPlaying());
}

TEST_F(LoadingDeviceTest, TheSongIsHeldAtItsStartUntilTheSynthesizerIsReady) {
  sequencer.Play();
  EXPECT_TRUE(sequencer.IsPlaying());
  EXPECT_TRUE(sequencer.AwaitingDevice());
  ticks.Tick(50);  // half a second of song time passes while the SoundFont loads
  EXPECT_EQ(sequencer.Song().Index(), 0);
  FinishLoading();
  ASSERT_NE(made, nullptr);
  // The song's presets were warmed on the loading thread before it counted as ready.
  std::vector<SynthPreset> expected;
  for (const MidiPreset& p : MidiPresetsOf(sequencer.Song()))
    expected.push_back({p.bank, p.program});
  EXPECT_EQ(made->Warmed(), expected);
  EXPECT_TRUE(made->Shorts().empty());
  ticks.Tick();
  EXPECT_FALSE(sequencer.AwaitingDevice());
  EXPECT_EQ(made->Shorts(), (std::vector<std::uint32_t>{Msg(0xC0, 73, 0), Msg(0x90, 1, 1)}));
  ticks.Tick(9);
  EXPECT_EQ(made->Shorts().size(), 2u);
  ticks.Tick();
  EXPECT_EQ(made->Shorts().back(), Msg(0x90, 2, 2));
}

TEST_F(LoadingDeviceTest, AStopBeforeTheLoadEndsDropsTheStart) {
  sequencer.Play();
  sequencer.Stop();
  EXPECT_FALSE(sequencer.AwaitingDevice());
  FinishLoading();
  ticks.Tick(30);
  EXPECT_FALSE(sequencer.IsPlaying());
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->Shorts().empty());
  // Once loaded, a play opens the device at once.
  sequencer.Play();
  EXPECT_FALSE(sequencer.AwaitingDevice());
  ticks.Tick();
  EXPECT_EQ(made->Shorts().back(), Msg(0x90, 1, 1));
}

TEST_F(LoadingDeviceTest, AResumeWaitingForTheDeviceSendsTheChannelStateWhenItOpens) {
  ASSERT_TRUE(sequencer.Resume());
  EXPECT_TRUE(sequencer.AwaitingDevice());
  FinishLoading();
  ticks.Tick();
  const auto shorts = made->Shorts();
  ASSERT_FALSE(shorts.empty());
  EXPECT_EQ(shorts.front(), Msg(0xB0, 120, 0));  // all sound off on the fresh device
  EXPECT_NE(std::find(shorts.begin(), shorts.end(), Msg(0xB5, 7, 100)), shorts.end());
  EXPECT_EQ(shorts.back(), Msg(0x90, 1, 1));
}

TEST_F(LoadingDeviceTest, StoppingTheLoaderWaitsForTheLoadAndLeavesNothingLoading) {
  sequencer.Play();  // asks for the song's presets while the SoundFont still loads
  std::thread stopper([&] { loader.StopThread(); });
  gate.Open();
  stopper.join();
  // The synthesizer made stays usable; presets still asked for are given up, not waited for.
  EXPECT_EQ(loader.Current(), MidiSynthLoader::State::kReady);
  ASSERT_NE(made, nullptr);
  loader.Warm({{0, 1}});
  EXPECT_FALSE(loader.Loading());
  loader.WaitUntilSettled();
  ticks.Tick();
  EXPECT_FALSE(sequencer.AwaitingDevice());
}

class FailingDeviceTest : public LoadingDeviceTest {
 protected:
  FailingDeviceTest() : LoadingDeviceTest(true) {}
};

TEST_F(FailingDeviceTest, WithoutASynthesizerTheSongPlaysSilently) {
  sequencer.SetLoop(false);
  sequencer.Play();
  FinishLoading();
  EXPECT_EQ(loader.Current(), MidiSynthLoader::State::kFailed);
  ticks.Tick();
  EXPECT_FALSE(sequencer.AwaitingDevice());
  EXPECT_TRUE(sequencer.IsPlaying());
  EXPECT_EQ(sequencer.Song().Index(), 2);
  ticks.Tick(30);
  EXPECT_FALSE(sequencer.IsPlaying());
}

}  // namespace
}  // namespace oru
