// The MIDI sequencer: timer ticks to song ticks, channel state, fades, loops and seeks.
#include "oru/sound/midi_sequencer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/sound/midi_presets_internal.h"

namespace oru {
namespace {

constexpr std::uint32_t kMicrosecondsPerMinute = 60000000;
constexpr std::uint64_t kMillisecondsPerMinute = 60000;
constexpr int kStopVolumeOffset = -128;

std::uint8_t ClampVolume(std::int64_t v) {
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 127));
}

}  // namespace

// Takes the busy flag, waiting for a running tick to finish, so that ticks stay out while an
// operation from another thread changes playback. Ticks that arrive meanwhile are dropped; the
// next one reads the clock, so no time is lost.
class MidiSequencer::Exclusive {
 public:
  explicit Exclusive(std::atomic<bool>& busy) : busy_(busy) {
    bool expected = false;
    while (!busy_.compare_exchange_weak(expected, true)) {
      expected = false;
      std::this_thread::yield();
    }
  }
  ~Exclusive() { busy_.store(false); }
  Exclusive(const Exclusive&) = delete;
  Exclusive& operator=(const Exclusive&) = delete;

 private:
  std::atomic<bool>& busy_;
};

MidiSequencer::MidiSequencer(MidiBackend* backend, MidiTickSource* ticks)
    : ticks_(ticks), device_(backend) {
  // A note left late by a busy machine is heard; the timer thread asks to be scheduled first.
  timer_.SetTimeCritical(true);
}

MidiSequencer::~MidiSequencer() {
  Stop();
  TimerStop();
}

std::uint32_t MidiSequencer::TimerStart() {
  const auto user = reinterpret_cast<std::uintptr_t>(this);
  return ticks_ ? ticks_->Start(period_, &MidiSequencer::TimerCallback, user)
                : timer_.Start(period_, &MidiSequencer::TimerCallback, user);
}

void MidiSequencer::TimerStop() {
  if (ticks_)
    ticks_->Stop();
  else
    timer_.Stop();
}

std::uint32_t MidiSequencer::TimerId() const { return ticks_ ? ticks_->Id() : timer_.Id(); }

std::uint64_t MidiSequencer::NowMicroseconds() const {
  if (ticks_) return ticks_->NowMicroseconds();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// The named data (a pack, a plain file or an embedded resource of that type) is parsed where it
// lies: an unpacked pack or a resource in place, a plain file read once.
bool MidiSequencer::Load(const char* name, const char* type) {
  Stop();
  DataSource source;
  source.SetResourceType(type);
  if (name == nullptr || !source.Open(name)) return false;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::vector<std::uint8_t> storage;
  if (!source.Contents(data, size, storage)) return false;
  return LoadImage(std::span<const std::uint8_t>(data, size));
}

bool MidiSequencer::LoadImage(std::span<const std::uint8_t> image) {
  Stop();
  if (!song_.Load(image)) return false;
  ResetPlayback();
  // The song's instruments load with the device, off the audio thread and before it plays.
  const std::vector<MidiPreset> presets = MidiPresetsOf(song_);
  device_.Prepare(MidiMapper, presets);
  if (deviceId_ != MidiMapper) device_.Prepare(deviceId_, presets);
  return true;
}

void MidiSequencer::Prepare() { device_.Prepare(MidiMapper, {}); }

void MidiSequencer::ResetPlayback() {
  channels_.fill(ChannelState{});
  countdown_ = 0;
  tempo_.store(kDefaultTempo, std::memory_order_relaxed);
  fadingIn_ = false;
  fadingOut_ = false;
}

bool MidiSequencer::Unload() {
  if (!HasSong()) return false;
  Stop();
  song_.Clear();
  return true;
}

bool MidiSequencer::Play() {
  if (!HasSong()) return false;
  Stop();
  stopping_.store(false);
  ResetPlayback();
  // A fade cut short by a stop must not leave the next playback quieter.
  gain_.store(0.0f, std::memory_order_relaxed);
  song_.Rewind();
  // Always the default device, whatever SetDevice selected; Resume uses the selected one.
  OpenDevice(MidiMapper, false);
  ApplyTempo();
  return true;
}

bool MidiSequencer::Resume() {
  if (!HasSong()) return false;
  Exclusive hold(busy_);
  return ResumeHeld(false);
}

bool MidiSequencer::ResumeHeld(bool fromTick) {
  // A tick that loops must not undo a stop that began while it ran.
  if (!fromTick) stopping_.store(false);
  gain_.store(0.0f, std::memory_order_relaxed);
  if (!device_.IsOpen()) ReopenDevice();
  ResendChannelState();
  return ApplyTempo(fromTick) != 0;
}

bool MidiSequencer::Stop() {
  stopping_.store(true);
  TimerStop();
  // Waits for a running tick, and keeps operations from other threads out until the device is
  // closed.
  Exclusive hold(busy_);
  StopHeld();
  return true;
}

// The end of a stop, with stopping set, the timer stopped and busy held.
void MidiSequencer::StopHeld() {
  // A start still waiting for its device is dropped.
  awaitingDevice_.store(false);
  // Every channel to volume 0, even while a fade-in holds the gain above 0.
  SendVolumes(kStopVolumeOffset - std::max(TruncGain(), 0));
  device_.Close();
  fadingIn_ = false;
  fadingOut_ = false;
}

// A tick that ends playback stops without letting go of busy, so that no operation from another
// thread can reopen the device while the stop closes it.
void MidiSequencer::StopFromTick() {
  stopping_.store(true);
  TimerStop();
  StopHeld();
  busy_.store(false);
}

bool MidiSequencer::SeekTo(std::uint64_t tick) {
  if (!HasSong()) return false;
  // The fast-forward owns the song: no tick may advance it meanwhile.
  TimerStop();
  Exclusive hold(busy_);
  song_.Rewind();
  ReopenDevice();
  silent_ = true;
  while (song_.HasMore() && song_.Position() < tick) {
    countdown_ = 0;
    SongTick();
  }
  silent_ = false;
  ResumeHeld(false);
  return true;
}

bool MidiSequencer::FadeIn(int ticks, int startGain) {
  if (!HasSong()) return false;
  Exclusive hold(busy_);
  fadeStart_ = startGain;
  fadeLength_ = ticks;
  fadeCount_ = 0;
  fadingOut_ = false;
  fadingIn_ = true;
  ResumeHeld(false);
  return true;
}

bool MidiSequencer::FadeOut(int ms) {
  if (!HasSong()) return false;
  Exclusive hold(busy_);
  gain_.store(0.0f, std::memory_order_relaxed);
  fadeLength_ = ms / static_cast<int>(period_);
  fadeCount_ = 0;
  fadingIn_ = false;
  fadingOut_ = true;
  return true;
}

bool MidiSequencer::SetDevice(int deviceId) {
  deviceId_ = deviceId;
  if (TimerId() != 0) {
    Stop();
    SeekTo(song_.Position());
  }
  return true;
}

void MidiSequencer::SetTempoOffset(int bpm) {
  // Applying the tempo restarts the count of song ticks and drops the fraction of a tick under
  // way, so a caller that repeats the same offset every frame must not slow the song down.
  if (tempoOffset_.exchange(bpm, std::memory_order_relaxed) == bpm) return;
  if (TimerId() != 0) {
    Exclusive hold(busy_);
    ApplyTempo();
  }
}

std::uint32_t MidiSequencer::ApplyTempo(bool fromTick) {
  if (stopping_.load()) return 0;
  period_ = 1;
  const std::uint32_t tempo = tempo_.load(std::memory_order_relaxed);
  // Beats per minute fit 16 bits except for absurdly short beats, which saturate.
  bpm_.store(
      std::min<std::uint32_t>(kMicrosecondsPerMinute / std::max<std::uint32_t>(tempo, 1), 0xFFFF),
      std::memory_order_relaxed);
  tempoStart_.store(NowMicroseconds(), std::memory_order_relaxed);
  done_.store(0, std::memory_order_relaxed);
  if (silent_) return 1;
  // The ticks measure time from tempoStart_, so a tick (a tempo event, a loop) only restarts the
  // count and keeps its timer running: stopping it, even briefly, would show a looping song as
  // not playing to whoever asks at that moment.
  if (fromTick) return TimerId();
  TimerStop();
  const std::uint32_t id = TimerStart();
  // A stop that began meanwhile may have missed the event just started.
  if (stopping_.load()) {
    TimerStop();
    return 0;
  }
  return id;
}

// Opens the device, or when it is still loading, leaves the opening to the first tick after the
// load. True when it is open now.
bool MidiSequencer::OpenDevice(int deviceId, bool resendOnLateOpen) {
  if (device_.Open(deviceId)) {
    awaitingDevice_.store(false);
    return true;
  }
  if (device_.Loading(deviceId)) {
    awaitedDevice_ = deviceId;
    resendOnLateOpen_ = resendOnLateOpen;
    awaitingDevice_.store(true);
  }
  return false;
}

// In a tick while awaitingDevice_: false while the device still loads, with the clock restarted
// so that the song stays where it is. Once it has loaded, opens it; the tick goes on from the
// time of the last tick that waited, as the first tick after a start does.
bool MidiSequencer::DeviceArrived() {
  if (device_.Loading(awaitedDevice_)) {
    tempoStart_.store(NowMicroseconds(), std::memory_order_relaxed);
    done_.store(0, std::memory_order_relaxed);
    return false;
  }
  awaitingDevice_.store(false);
  if (device_.Open(awaitedDevice_) && resendOnLateOpen_) {
    AllSoundOff();
    ResendChannelState();
  }
  return true;
}

void MidiSequencer::ReopenDevice() {
  // All sound off and the channel state follow the open at once, or with a late open.
  if (OpenDevice(deviceId_, true)) AllSoundOff();
}

void MidiSequencer::AllSoundOff() {
  if (silent_) return;
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xB0 | c, 120, 0);
}

int MidiSequencer::TruncGain() const {
  // Far beyond any volume, and within int whatever start gain a fade was given.
  return static_cast<int>(
      std::trunc(std::clamp(gain_.load(std::memory_order_relaxed), -1.0e6f, 1.0e6f)));
}

void MidiSequencer::SendVolumes(int offset) {
  if (silent_) return;
  const int gain = TruncGain();
  lastGain_ = gain;
  for (std::uint8_t c = 0; c < 16; ++c)
    device_.SendBytes(0xB0 | c, 7, ClampVolume(std::int64_t{channels_[c].volume} + offset + gain));
}

void MidiSequencer::ResendChannelState() {
  gain_.store(0.0f, std::memory_order_relaxed);
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xC0 | c, channels_[c].program, 0);
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xB0 | c, 0, channels_[c].bank);
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xB0 | c, 10, channels_[c].pan);
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xB0 | c, 91, channels_[c].reverb);
  for (std::uint8_t c = 0; c < 16; ++c) device_.SendBytes(0xB0 | c, 93, channels_[c].chorus);
  SendVolumes(0);
}

void MidiSequencer::TimerCallback(std::uint32_t id, std::uint32_t, std::uintptr_t user,
                                  std::uintptr_t, std::uintptr_t) {
  auto* self = reinterpret_cast<MidiSequencer*>(user);
  if (self->stopping_.load()) {
    // A late tick of the stopped event ends that event, never a newer one.
    if (id == self->TimerId()) self->TimerStop();
    return;
  }
  if (id != self->TimerId()) return;  // a tick of a replaced event
  // A tick that cannot run loses no time: the next one reads the clock.
  if (self->busy_.exchange(true)) return;
  // Stop may have begun between the check above and taking busy; it waits for busy only after
  // setting stopping, so looking again here closes the gap.
  if (self->stopping_.load()) {
    self->busy_.store(false);
    return;
  }
  self->TimerTick();
}

// Runs with busy held; every path out clears it.
void MidiSequencer::TimerTick() {
  if (awaitingDevice_.load() && !DeviceArrived()) {
    busy_.store(false);
    return;
  }
  if (fadingOut_) {
    if (fadeCount_ < fadeLength_) {
      gain_.store(gain_.load(std::memory_order_relaxed) -
                      static_cast<float>(kFadeOutDepth) / static_cast<float>(fadeLength_),
                  std::memory_order_relaxed);
      if (TruncGain() != lastGain_) SendVolumes(0);
      lastGain_ = TruncGain();
      ++fadeCount_;
    } else {
      gain_.store(0.0f, std::memory_order_relaxed);
      fadingOut_ = false;
      StopFromTick();
      return;
    }
  }
  if (fadingIn_) {
    if (fadeCount_ < fadeLength_) {
      ++fadeCount_;
      const std::int64_t gain = fadeStart_ - std::int64_t{fadeStart_} * fadeCount_ / fadeLength_;
      gain_.store(static_cast<float>(gain), std::memory_order_relaxed);
      if (TruncGain() != lastGain_) SendVolumes(0);
      lastGain_ = TruncGain();
    } else {
      gain_.store(0.0f, std::memory_order_relaxed);
      fadingIn_ = false;
      SendVolumes(0);
    }
  }

  if (song_.HasMore()) {
    // Song ticks due since the tempo was applied: elapsed ms x division x 1000 / tempo, or with
    // an offset, elapsed ms x division x (bpm + offset) / 60000; here from microseconds, in 128
    // bits so that no song is long enough to overflow.
    const std::uint64_t now = NowMicroseconds();
    const std::uint64_t start = tempoStart_.load(std::memory_order_relaxed);
    const unsigned __int128 elapsed = now > start ? now - start : 0;
    const unsigned __int128 division = song_.Division();
    const int offset = tempoOffset_.load(std::memory_order_relaxed);
    unsigned __int128 due;
    if (offset == 0) {
      due = elapsed * division / tempo_.load(std::memory_order_relaxed);
    } else {
      // A negative offset can slow the song down to a crawl but never turn time backwards.
      const std::int64_t bpm =
          std::max<std::int64_t>(std::int64_t{bpm_.load(std::memory_order_relaxed)} + offset, 1);
      due = elapsed * division * static_cast<std::uint64_t>(bpm) / (kMillisecondsPerMinute * 1000);
    }
    const std::uint64_t target =
        static_cast<std::uint64_t>(std::min<unsigned __int128>(due, UINT64_MAX));
    for (int i = 0; i < kMaxSongTicksPerTimerTick; ++i) {
      const std::uint64_t done = done_.load(std::memory_order_relaxed);
      if (done >= target) break;
      SongTick();
      done_.store(done_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    busy_.store(false);
    return;
  }

  if (loop_.load()) {
    song_.Rewind();
    countdown_ = 0;
    ResumeHeld(true);
    busy_.store(false);
  } else {
    StopFromTick();
  }
}

void MidiSequencer::SongTick() {
  while (countdown_ == 0 && song_.HasMore()) {
    PlayEntry(song_.Current());
    song_.Advance();
    countdown_ = song_.Current().delta;
  }
  --countdown_;
}

void MidiSequencer::PlayEntry(const MidiEvent& entry) {
  if (entry.status == 0xF0) {
    // Sent even while fast-forwarding: a reset or mode change must reach the device.
    if (SysExMessage* message = song_.SysEx(entry.Value())) device_.SendLong(*message);
    return;
  }
  if (entry.status == 0xFF) {
    const std::uint32_t low = entry.Value();
    song_.Advance();
    const std::uint32_t tempo = low | static_cast<std::uint32_t>(song_.Current().Value()) << 16;
    if (tempo != 0) {
      tempo_.store(tempo, std::memory_order_relaxed);
      ApplyTempo(true);
    }
    return;
  }
  std::uint32_t message = entry.Message();
  ChannelState& channel = channels_[entry.status & 0x0F];
  switch (entry.status & 0xF0) {
    case 0xB0:
      switch (entry.data1) {
        case 0:
          channel.bank = entry.data2;
          break;
        case 7:
          channel.volume = entry.data2;
          message = PackMidiMessage(entry.status, entry.data1,
                                    ClampVolume(std::int64_t{entry.data2} + TruncGain()));
          break;
        case 10:
          channel.pan = entry.data2;
          break;
        case 91:
          channel.reverb = entry.data2;
          break;
        case 93:
          channel.chorus = entry.data2;
          break;
        default:
          break;
      }
      break;
    case 0xC0:
      channel.program = entry.data1;
      break;
    default:
      break;
  }
  if (!silent_) device_.SendShort(message);
}

}  // namespace oru
