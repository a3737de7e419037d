/// \file
/// The synthesizer behind MIDI output devices -1 (the mapper) and 0. On Linux it is software:
/// FluidSynth with no audio driver of its own, rendered by the shared audio device's mixer on the
/// audio thread, as described below. On Windows it is the system's own synthesizer through
/// winmm (the mapper, else device 0): Create makes nothing, nothing renders, no SoundFont is
/// looked for, Warm holds nothing, and the shared loader is ready or failed as soon as its thread
/// has tried to open the device (failed where there is no MIDI device: the music is silent).
///
/// Loading a General MIDI SoundFont takes long enough to stall whoever waits for it, so the shared
/// synthesizer is made on a thread of its own, started as early as possible, and nobody waits:
///
///   oru::MidiSynthLoader& loader = oru::SharedMidiSynthLoader();
///   loader.Start();                              // returns at once; loading goes on meanwhile
///   loader.Warm({{0, 73}, {128, 0}});             // a song's presets, loaded on that thread too
///   ...
///   if (oru::MidiSynth* synth = loader.Synth())   // null while loading, or for good when failed
///     synth->SendShort(0x7F3C90);                 // note on, channel 0, key 60, velocity 127
///
/// Samples are loaded only for the presets somebody asked for (FluidSynth's dynamic sample
/// loading), and those stay loaded, so program changes and resets on the audio thread never read
/// the SoundFont file. The default programs are no exception: a channel whose default is not warmed
/// stays silent at the start and after a reset until a program change selects a warmed preset.
/// Messages may come from any thread; they travel to the audio thread through a lock-free queue
/// and only the audio thread calls into FluidSynth while the synthesizer is rendered by a mixer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oru {

class AudioMixer;

/// A bank and program whose samples a synthesizer should hold. Bank 128 holds the drum kits.
struct SynthPreset {
  /// Bank number; 128 is the drum bank.
  int bank = 0;
  /// Program number, 0..127.
  int program = 0;
  /// Same bank and program.
  bool operator==(const SynthPreset&) const = default;
};

/// A software MIDI synthesiser playing into the audio mixer.
class MidiSynth {
 public:
  /// Nanoseconds of a steady clock; messages are stamped with it when sent.
  using Clock = std::int64_t (*)();

  ///@{
  /// A software synthesizer with the SoundFont at soundFontPath (null or "": found with
  /// FindSoundFont), rendering into mixer (null: rendered only by explicit Render calls). Null
  /// when FluidSynth or the SoundFont cannot be loaded, and always where the platform has no
  /// software synthesizer (Windows). Rendered by a mixer, each message sounds at the place in
  /// the block that matches when it was sent (clock: null for the steady clock; tests pass
  /// their own). No preset has its samples loaded, so nothing sounds until Warm: a channel at its
  /// default program (piano, or drum kit 0 on channel 10) stays silent until that is warmed.
  static std::unique_ptr<MidiSynth> Create(AudioMixer* mixer, const char* soundFontPath,
                                           Clock clock = nullptr);
  virtual ~MidiSynth() = default;
  ///@}

  ///@{
  /// A packed channel message (status, data1 << 8, data2 << 16). False for anything else or a
  /// full queue.
  virtual bool SendShort(std::uint32_t message) = 0;
  /// A system-exclusive body without F0 and F7.
  virtual bool SendSysEx(const std::uint8_t* body, std::size_t length) = 0;
  /// All notes off and sustain off on every channel.
  virtual bool Reset() = 0;
  /// Adds frames of stereo interleaved output into out (audio thread, or a test without a
  /// mixer). Applies queued messages first.
  virtual void Render(float* out, int frames) = 0;
  /// Loads the samples of these presets (or of the presets that stand in for them when the
  /// SoundFont lacks one) and keeps them loaded for the synthesizer's life. Slow: call it on a
  /// loading thread, never on the audio thread. A synthesizer rendered by a mixer is taken out
  /// of the mix meanwhile; one rendered by hand must not be rendered during the call. Returns
  /// the number of presets whose samples are now held.
  virtual int Warm(const std::vector<SynthPreset>& presets) = 0;
  ///@}

  /// How many times the calling thread has read from a SoundFont file. Lets tests prove that the
  /// audio thread never does.
  static std::uint64_t SoundFontReadsOnThisThread();
};

/// Makes a synthesizer on a thread of its own and hands it out once it is ready. The state is
/// read without a lock, so the sequencer's timer may poll it every millisecond.
class MidiSynthLoader {
 public:
  /// Makes the synthesiser; run on the loader's thread.
  using Factory = std::function<std::unique_ptr<MidiSynth>()>;
  /// Where the loading stands.
  enum class State { kIdle, kLoading, kReady, kFailed };

  /// A loader that will make its synthesiser with factory once started.
  explicit MidiSynthLoader(Factory factory);
  ///@{
  /// Waits for the loading thread to finish what it is doing.
  ~MidiSynthLoader();
  MidiSynthLoader(const MidiSynthLoader&) = delete;
  MidiSynthLoader& operator=(const MidiSynthLoader&) = delete;
  ///@}

  ///@{
  /// Starts the loading thread, once; returns at once.
  void Start();
  /// Starts the thread if needed and asks it to warm these presets once the synthesizer exists.
  /// The loader counts as loading until they are warm. Nothing happens after a failed load.
  void Warm(std::vector<SynthPreset> presets);
  State Current() const { return state_.load(std::memory_order_acquire); }
  /// True from Start (or a Warm) until the synthesizer is ready or has failed.
  bool Loading() const { return Current() == State::kLoading; }
  /// The synthesizer once ready; null while idle or loading, and for good after a failure.
  MidiSynth* Synth() const { return Current() == State::kReady ? synth_.get() : nullptr; }
  /// Blocks until the loader is no longer loading; for tools that have nothing else to do.
  void WaitUntilSettled();
  /// Ends the loading thread once it has finished what it is doing. The synthesizer, if made,
  /// stays and keeps playing; no further presets are warmed, and nothing starts the thread again.
  void StopThread();
  ///@}

 private:
  void Run();

  Factory factory_;
  std::unique_ptr<MidiSynth> synth_;
  std::atomic<State> state_{State::kIdle};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::vector<SynthPreset>> requests_;
  bool started_ = false;
  bool quit_ = false;
  std::thread thread_;
};

/// The loader of the shared synthesizer of devices -1 and 0: the shared audio device's mixer and
/// the SoundFont FindSoundFont picks (on Windows: the system's MIDI output). Not started until
/// somebody calls Start or Warm. Lives for the whole run; a synthesizer made is never destroyed.
MidiSynthLoader& SharedMidiSynthLoader();

/// The shared synthesizer if it is ready; null while it loads, or when there is no audio device
/// or no SoundFont (on Windows: no MIDI output). Never waits.
MidiSynth* SharedMidiSynth();

/// Product name of a synthesizer device (-1 or 0): false and "" for any other id.
bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size);

/// The SoundFont to load: FluidSynth's configured default if that file exists, then
/// /usr/share/sounds/sf2/default-GM.sf2, then /usr/share/sounds/sf2/FluidR3_GM.sf2; "" if none,
/// and always "" on Windows.
std::string FindSoundFont();

}  // namespace oru
