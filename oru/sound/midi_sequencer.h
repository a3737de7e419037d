/// \file
/// MidiSequencer: plays a MidiSong on a MidiOut device from a 1 ms timer of its own.
///
/// The game builds one sequencer with its window, loads the song and turns looping on; its game
/// thread then starts, stops and speeds up the music:
///
///   oru::MidiSequencer music;
///   music.Load("brello_s.mid", nullptr);    // through a DataSource: pack, plain file or resource
///   music.SetLoop(true);
///   music.Play();                           // from the start, on the default device
///   music.SetTempoOffset(32);               // 32 beats per minute faster, from now on
///   music.FadeOut(2000);                    // quieter over 2 s, then stopped
///   music.Stop();                           // every channel's volume to 0, device reset and
/// closed
///
/// Every millisecond the timer converts the time since the tempo was last applied into song ticks
/// and plays the ticks that are due, at most 10 per timer tick. That time is read from a clock
/// rather than counted in ticks: a timer thread that is held up skips the ticks it missed, and
/// counting them would make the song fall further behind with every hold-up. The sequencer
/// remembers the last program, bank, pan, reverb, chorus and volume of every channel so that a
/// fresh device (after a seek, a loop or a device switch) gets them again.
///
/// The default device is a software synthesizer that loads its SoundFont in the background, and
/// nothing here waits for it. Prepare starts that load early (the game does so as it starts); Load
/// names the song's presets so their samples are loaded with it. A Play (or Resume) that finds the
/// device still loading runs its timer all the same but holds the song at its place; the first
/// tick after the load opens the device and the song starts from there. A Stop meanwhile drops the
/// start; a device that fails to load leaves the song playing silently.
///
/// Threads: the timer's ticks arrive on a timer thread; the other operations come from the game
/// thread and from the thread that builds the window. There are no locks: a busy flag keeps ticks
/// apart from each other and from the operations that change playback while the timer runs, and a
/// stopping flag makes ticks that arrive during a stop end at once.
///
/// Tests drive the sequencer without real time: they hand it a MidiTickSource whose ticks they
/// deliver by hand, and a MidiRecorder as its device backend.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "oru/shell/interval_timer.h"
#include "oru/sound/midi_out.h"
#include "oru/sound/midi_song.h"

namespace oru {

/// Where the sequencer's millisecond ticks come from, when not from its own IntervalTimer.
class MidiTickSource {
 public:
  virtual ~MidiTickSource() = default;
  ///@{
  /// Replaces any running event by one calling callback(id, 0, user, 0, 0) every periodMs; returns
  /// the new id (never 0 on success), or 0 when no event could be created.
  virtual std::uint32_t Start(std::uint32_t periodMs, IntervalTimer::Callback callback,
                              std::uintptr_t user) = 0;
  virtual void Stop() = 0;
  /// The running event's id; 0 when none runs.
  virtual std::uint32_t Id() const = 0;
  /// The time the ticks measure, in microseconds from any fixed start.
  virtual std::uint64_t NowMicroseconds() const = 0;
  ///@}
};

/// The last values a channel was given by the song. Until the song sets them they hold what a
/// General MIDI device starts with, so that sending them to a fresh device (on a resume, a loop or
/// a fade) changes nothing the song did not ask for: a song that never sets a volume or a pan keeps
/// playing at full volume in the middle.
struct ChannelState {
  /// Program, 0..127.
  std::uint8_t program = 0;
  std::uint8_t bank = 0;      ///< controller 0
  std::uint8_t pan = 64;      ///< controller 10
  std::uint8_t reverb = 40;   ///< controller 91
  std::uint8_t chorus = 0;    ///< controller 93
  std::uint8_t volume = 100;  ///< controller 7
  /// Every field equal.
  bool operator==(const ChannelState&) const = default;
};

/// Plays a MidiSong on a MidiOut device from a periodic timer, with tempo, volume and fade-out.
class MidiSequencer {
 public:
  static constexpr std::uint32_t kDefaultTempo = 400000;  ///< microseconds per quarter note
  /// Song ticks one timer tick plays at most, so a stalled timer catches up gradually.
  static constexpr int kMaxSongTicksPerTimerTick = 10;
  /// Volume steps a fade-out takes off, spread over its length.
  static constexpr int kFadeOutDepth = 90;

  ///@{
  /// backend: where the device is opened (null: MidiOut's default backend). ticks: where timer
  /// ticks come from (null: the sequencer's own IntervalTimer). Both must outlive the sequencer.
  explicit MidiSequencer(MidiBackend* backend = nullptr, MidiTickSource* ticks = nullptr);
  MidiSequencer(const MidiSequencer&) = delete;
  MidiSequencer& operator=(const MidiSequencer&) = delete;
  ~MidiSequencer();
  ///@}

  ///@{
  /// Stops, then reads the whole named data (type may be null) and loads it as the song. False
  /// when the data does not open, is empty or is no playable MIDI file; the previous song is then
  /// kept.
  bool Load(const char* name, const char* type);
  /// The same with a file image already in memory.
  bool LoadImage(std::span<const std::uint8_t> image);
  /// Starts readying the default device in the background; returns at once.
  void Prepare();
  /// False when no song is loaded; otherwise stops and forgets the song.
  bool Unload();
  ///@}

  ///@{
  /// From the start on the default device. False (and nothing opened) when no song is loaded.
  bool Play();
  /// From the cursor on the selected device, with the channel state sent again; gain back to 0.
  bool Resume();
  /// Every channel's volume to 0, the device reset and closed; waits for a running tick. True.
  bool Stop();
  /// Plays the song silently from the start up to the first event at or past tick, then resumes.
  bool SeekTo(std::uint64_t tick);
  /// Resumes with the volumes lowered by -startGain, rising back over ticks timer ticks.
  bool FadeIn(int ticks, int startGain);
  /// Lowers the volumes by up to 90 over ms milliseconds, then stops.
  bool FadeOut(int ms);
  /// Selects the device for Resume; while playing, switches to it at the current position.
  bool SetDevice(int deviceId);
  /// Beats per minute added to the song's tempo; 0 plays the song's own tempo.
  void SetTempoOffset(int bpm);
  void SetLoop(bool loop) { loop_.store(loop); }
  bool IsBusy() const { return busy_.load(); }
  ///@}

  ///@{
  /// Whether the timer runs, that is whether the song is playing (or waits for its device).
  bool IsPlaying() const { return TimerId() != 0; }
  /// Whether playback waits for a device that is still loading.
  bool AwaitingDevice() const { return awaitingDevice_.load(); }
  bool HasSong() const { return song_.EventCount() > 0; }
  const MidiSong& Song() const { return song_; }
  std::uint32_t Tempo() const { return tempo_.load(std::memory_order_relaxed); }
  float Gain() const { return gain_.load(std::memory_order_relaxed); }
  int TempoOffset() const { return tempoOffset_.load(std::memory_order_relaxed); }
  bool Loop() const { return loop_.load(); }
  int DeviceId() const { return deviceId_; }
  ChannelState Channel(int channel) const {
    return channels_[static_cast<std::size_t>(channel & 15)];
  }
  ///@}

  /// The timer callback; user is the sequencer. Tests call it directly through their tick source.
  static void TimerCallback(std::uint32_t id, std::uint32_t message, std::uintptr_t user,
                            std::uintptr_t reserved1, std::uintptr_t reserved2);

 private:
  /// Holds the busy flag for an operation that changes playback from outside a tick.
  class Exclusive;

  std::uint32_t TimerStart();
  void TimerStop();
  std::uint32_t TimerId() const;
  std::uint64_t NowMicroseconds() const;

  void ResetPlayback();
  bool ResumeHeld(bool fromTick);
  void StopHeld();
  void StopFromTick();
  ///@{
  /// Restarts the count of song ticks at the current tempo; outside a tick also (re)starts the
  /// timer. The timer's id, 0 when stopping.
  std::uint32_t ApplyTempo(bool fromTick = false);
  bool OpenDevice(int deviceId, bool resendOnLateOpen);
  bool DeviceArrived();
  void ReopenDevice();
  void AllSoundOff();
  void SendVolumes(int offset);
  void ResendChannelState();
  void TimerTick();
  void SongTick();
  void PlayEntry(const MidiEvent& entry);
  int TruncGain() const;
  ///@}

  std::atomic<bool> busy_{false};
  std::atomic<bool> stopping_{false};
  std::uint32_t period_ = 1;
  ///@{
  /// Since the tempo was last applied: when that was, and how many song ticks were played. Written
  /// by ticks and by operations from other threads, hence atomic.
  std::atomic<std::uint64_t> tempoStart_{0};
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint32_t> bpm_{0};
  std::atomic<std::uint32_t> tempo_{kDefaultTempo};
  std::uint32_t countdown_ = 0;
  int fadeStart_ = 0;
  std::atomic<float> gain_{0.0f};
  int lastGain_ = 0;
  std::atomic<int> tempoOffset_{0};
  int fadeLength_ = 0;
  int fadeCount_ = 0;
  bool fadingIn_ = false;
  bool fadingOut_ = false;
  bool silent_ = false;
  std::atomic<bool> loop_{true};
  int deviceId_ = MidiMapper;
  /// Set while a start waits for its device to load; the device and whether the channel state
  /// must be sent once it opens (a resume does, a play from the start does not).
  std::atomic<bool> awaitingDevice_{false};
  int awaitedDevice_ = MidiMapper;
  bool resendOnLateOpen_ = false;
  std::array<ChannelState, 16> channels_{};
  MidiSong song_;
  IntervalTimer timer_;
  MidiTickSource* ticks_;
  MidiOut device_;
  ///@}
};

}  // namespace oru
