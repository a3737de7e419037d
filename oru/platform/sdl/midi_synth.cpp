// FluidSynth behind the MIDI output devices.
//
// Who calls FluidSynth: FluidSynth guards its API with a mutex of its own by default, and its
// rendering takes that mutex too, so calling fluid_synth_noteon from the sequencer's timer
// thread while the audio thread renders would make the audio thread wait on a lock held by a
// thread of ordinary priority. Instead every message is written into a lock-free ring (the
// producers take turns on a mutex among themselves; the audio thread never touches it) and the
// audio thread applies the queued messages while it renders. After construction only the audio
// thread calls into the synthesizer, so FluidSynth's own locking is switched off
// (synth.threadsafe-api 0).
//
// Timing: the sequencer sends on a 1 ms timer, but the device asks for sound a block (about
// 10 ms) at a time. Applying everything at the start of a block would move notes by up to a
// block. Instead each message carries the time it was sent, and a block rendered at time T
// places a message sent at t at (T - t) before the block's end (at its start when that is
// earlier): every message is heard with the same delay of about one block, and the block is
// rendered in pieces split at those places (and at most 256 frames long). Nothing queued before
// a block is left for a later one, so a stalled clock can never pile messages up.
//
// Memory: FluidSynth's dynamic sample loading keeps only the samples of selected presets in
// memory, loading a preset's samples when a channel selects it and dropping them when no channel
// holds it any more. Left alone that would read the SoundFont file inside the audio callback at
// every program change (and at the GM reset that starts each loop of a song). So every preset a
// song can select is pinned (fluid_synth_pin_preset) on the loading thread before the song plays:
// pinned samples stay loaded, and selecting a pinned preset only counts a reference. The presets
// are found on two scratch channels beyond the sixteen that songs use, one melodic and one drum
// channel, so that a preset missing from the SoundFont resolves to exactly the stand-in a song's
// channel would get. The SoundFont is read through our own file callbacks, which count the reads
// of each thread.
//
// The default programs (piano and drum kit 0) are what every channel starts with and returns to
// at a reset, and the sequencer selects program 0 on every channel a song leaves alone; the piano
// alone holds about 8 MB of samples. Rather than pin them for every song, a channel whose default
// is not pinned is left without a preset (silent) where it would select it: at the start, at a
// reset and at a program change to 0. It gets its default as soon as that is pinned, which the
// song's presets ask for when the song plays a note on such a channel. The reset is applied with
// the SoundFont's banks offset out of reach, so that FluidSynth finds no preset to select; an
// offset is a plain number, changed without allocating.
//
// Ring records: a 12-byte header (kind, unused, 16-bit payload length, 64-bit send time in
// nanoseconds of the steady clock), then the payload.
#include "oru/platform/midi_synth.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <utility>

#include "oru/platform/audio_device.h"
#include "oru/platform/sdl/thread_data_internal.h"

namespace oru {

namespace {

constexpr int kSubBlock = 256;  // frames rendered per FluidSynth call
constexpr std::uint32_t kRingBytes = 1u << 16;
constexpr std::size_t kMaxSysEx = 4096;     // longest body accepted
constexpr int kChannels = 16;               // what songs use
constexpr int kSynthChannels = 32;          // FluidSynth wants a multiple of 16
constexpr int kScratchMelodic = kChannels;  // where presets are looked up while warming
constexpr int kScratchDrum = kChannels + 1;
constexpr int kDrumBank = 128;
constexpr int kBanksOutOfReach = 1 << 20;  // a bank offset that takes every bank below zero

thread_local std::uint64_t soundFontReads = 0;

// The SoundFont file through stdio, counting reads per thread.
void* OpenSoundFont(const char* path) { return std::fopen(path, "rb"); }
int ReadSoundFont(void* buffer, fluid_long_long_t count, void* file) {
  ++soundFontReads;
  if (count < 0) return FLUID_FAILED;
  const auto n = static_cast<std::size_t>(count);
  return std::fread(buffer, 1, n, static_cast<std::FILE*>(file)) == n ? FLUID_OK : FLUID_FAILED;
}
int SeekSoundFont(void* file, fluid_long_long_t offset, int origin) {
  return fseeko(static_cast<std::FILE*>(file), static_cast<off_t>(offset), origin) == 0
             ? FLUID_OK
             : FLUID_FAILED;
}
fluid_long_long_t TellSoundFont(void* file) { return ftello(static_cast<std::FILE*>(file)); }
int CloseSoundFont(void* file) {
  return std::fclose(static_cast<std::FILE*>(file)) == 0 ? FLUID_OK : FLUID_FAILED;
}

enum RecordKind : std::uint8_t { kShort = 1, kSysEx = 2, kReset = 3 };

void SilenceFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

bool Readable(const char* path) {
  return path != nullptr && path[0] != '\0' && access(path, R_OK) == 0;
}

// A single-consumer byte ring. Producers are serialised by the caller; the consumer (the audio
// thread) only loads and stores atomics.
class MessageRing {
 public:
  // Writes header and payload as one record; false when it does not fit.
  static constexpr std::uint32_t kHeader = 12;

  bool Push(std::uint8_t kind, const std::uint8_t* payload, std::uint16_t length,
            std::int64_t time) {
    const std::uint32_t need = kHeader + length;
    const std::uint32_t head = head_.load(std::memory_order_relaxed);
    const std::uint32_t tail = tail_.load(std::memory_order_acquire);
    if (kRingBytes - (head - tail) < need) return false;
    std::uint8_t header[kHeader] = {kind, 0, static_cast<std::uint8_t>(length),
                                    static_cast<std::uint8_t>(length >> 8)};
    std::memcpy(header + 4, &time, sizeof time);
    Copy(head, header, kHeader);
    Copy(head + kHeader, payload, length);
    head_.store(head + need, std::memory_order_release);
    return true;
  }

  // Reads the next record into payload (room for kMaxSysEx bytes); false when empty.
  bool Pop(std::uint8_t* kind, std::uint8_t* payload, std::uint16_t* length, std::int64_t* time) {
    const std::uint32_t tail = tail_.load(std::memory_order_relaxed);
    const std::uint32_t head = head_.load(std::memory_order_acquire);
    if (head == tail) return false;
    std::uint8_t header[kHeader];
    Read(tail, header, kHeader);
    *kind = header[0];
    *length = static_cast<std::uint16_t>(header[2] | header[3] << 8);
    std::memcpy(time, header + 4, sizeof *time);
    Read(tail + kHeader, payload, *length);
    tail_.store(tail + kHeader + *length, std::memory_order_release);
    return true;
  }

 private:
  void Copy(std::uint32_t at, const std::uint8_t* from, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) bytes_[(at + i) & (kRingBytes - 1)] = from[i];
  }
  void Read(std::uint32_t at, std::uint8_t* to, std::uint32_t n) const {
    for (std::uint32_t i = 0; i < n; ++i) to[i] = bytes_[(at + i) & (kRingBytes - 1)];
  }

  std::uint8_t bytes_[kRingBytes];
  std::atomic<std::uint32_t> head_{0};
  std::atomic<std::uint32_t> tail_{0};
};

class FluidMidiSynth final : public MidiSynth, public AudioSource {
 public:
  FluidMidiSynth(fluid_settings_t* settings, fluid_synth_t* synth, AudioMixer* mixer, Clock clock)
      : settings_(settings),
        synth_(synth),
        mixer_(mixer),
        clock_(clock != nullptr ? clock : &SteadyNow) {}

  ~FluidMidiSynth() override {
    if (mixer_ != nullptr) mixer_->RemoveSource(this);
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }

  bool Attach() {
    if (mixer_ == nullptr) return true;
    attached_ = mixer_->AddSource(this);
    return attached_;
  }

  bool SendShort(std::uint32_t message) override {
    const std::uint8_t status = static_cast<std::uint8_t>(message);
    if (status < 0x80 || status >= 0xF0) return false;  // channel messages only
    const std::uint8_t payload[3] = {status, static_cast<std::uint8_t>((message >> 8) & 0x7F),
                                     static_cast<std::uint8_t>((message >> 16) & 0x7F)};
    return Push(kShort, payload, 3);
  }

  bool SendSysEx(const std::uint8_t* body, std::size_t length) override {
    if (body == nullptr || length == 0 || length > kMaxSysEx) return false;
    return Push(kSysEx, body, static_cast<std::uint16_t>(length));
  }

  bool Reset() override { return Push(kReset, nullptr, 0); }

  int Warm(const std::vector<SynthPreset>& presets) override {
    // The audio thread is the only other caller of FluidSynth, so it must let go meanwhile.
    const bool attached = mixer_ != nullptr && attached_;
    if (attached) mixer_->RemoveSource(this);
    // A reset makes every channel but the tenth melodic again, the scratch drum channel too.
    fluid_synth_set_channel_type(synth_, kScratchDrum, CHANNEL_TYPE_DRUM);
    int held = 0;
    for (const SynthPreset& p : presets) {
      if (p.program < 0 || p.program > 127 || p.bank < 0 || p.bank > kDrumBank) continue;
      const int channel = p.bank == kDrumBank ? kScratchDrum : kScratchMelodic;
      fluid_synth_bank_select(synth_, channel, p.bank);
      fluid_synth_program_change(synth_, channel, p.program);
      fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel);
      if (preset == nullptr) continue;
      const int font = fluid_sfont_get_id(fluid_preset_get_sfont(preset));
      const int bank = fluid_preset_get_banknum(preset);
      const int program = fluid_preset_get_num(preset);
      if (fluid_synth_pin_preset(synth_, font, bank, program) != FLUID_OK) continue;
      ++held;
      if (program == 0 && bank == 0) pianoPinned_ = true;
      if (program == 0 && bank == kDrumBank) drumKitPinned_ = true;
    }
    SelectPinnedDefaults();
    if (attached) mixer_->AddSource(this);
    return held;
  }

  // Called once the SoundFont is loaded, before anything renders.
  void SetSoundFont(int id) {
    fontId_ = id;
    font_ = fluid_synth_get_sfont_by_id(synth_, id);
  }

  // Rendered by a mixer, messages keep their spacing in time (see the top of this file);
  // rendered by hand, every queued message applies at the start of the block.
  void Render(float* out, int frames) override {
    const std::int64_t now = mixer_ != nullptr ? clock_() : 0;
    const std::int64_t rate = mixer_ != nullptr ? mixer_->Rate() : 1;
    for (int done = 0; done < frames;) {
      int end = std::min(done + kSubBlock, frames);
      // Apply what is due by `done`; a message due later in the block ends this piece there.
      for (;;) {
        if (!hasPending_) {
          if (!ring_.Pop(&pending_.kind, scratch_, &pending_.length, &pending_.time)) break;
          hasPending_ = true;
        }
        int due = 0;
        if (mixer_ != nullptr) {
          const std::int64_t age = std::clamp<std::int64_t>(now - pending_.time, 0, 1000000000);
          const std::int64_t framesAgo =
              std::min<std::int64_t>(age * rate / 1000000000, frames - 1);
          due = frames - 1 - static_cast<int>(framesAgo);
        }
        if (due > done) {
          end = std::min(end, due);
          break;
        }
        Apply();
        hasPending_ = false;
      }
      const int n = end - done;
      fluid_synth_write_float(synth_, n, block_, 0, 2, block_, 1, 2);
      float* o = out + 2 * static_cast<std::size_t>(done);
      for (int i = 0; i < 2 * n; ++i) o[i] += block_[i];
      done = end;
    }
  }

 private:
  static std::int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  bool Push(std::uint8_t kind, const std::uint8_t* payload, std::uint16_t length) {
    std::lock_guard<std::mutex> lock(producers_);
    // Stamped under the producers' lock, so times never decrease along the ring.
    return ring_.Push(kind, payload, length, clock_());
  }

  void Apply() {
    if (pending_.kind == kShort) {
      ApplyShort(scratch_[0], scratch_[1], scratch_[2]);
    } else if (pending_.kind == kSysEx) {
      // Any of the resets FluidSynth knows (GM, GM2, GS, XG) selects the defaults.
      fluid_synth_set_bank_offset(synth_, fontId_, kBanksOutOfReach);
      fluid_synth_sysex(synth_, reinterpret_cast<const char*>(scratch_), pending_.length, nullptr,
                        nullptr, nullptr, 0);
      fluid_synth_set_bank_offset(synth_, fontId_, 0);
      SelectPinnedDefaults();
    } else if (pending_.kind == kReset) {
      for (int channel = 0; channel < kChannels; ++channel) {
        fluid_synth_cc(synth_, channel, 64, 0);  // sustain off first, or held notes ring on
        fluid_synth_all_notes_off(synth_, channel);
      }
    }
  }

  // Whether program 0 on this channel would select a default program that is not pinned: drum
  // kit 0 on a drum channel (FluidSynth keeps bank 128 there), or the piano, asked for or standing
  // in for a program 0 that the channel's bank lacks.
  bool DefaultUnpinned(int channel) const {
    int font = 0, bank = 0, program = 0;
    fluid_synth_get_program(synth_, channel, &font, &bank, &program);
    if (bank == kDrumBank) return !drumKitPinned_;
    if (bank != 0 && font_ != nullptr && fluid_sfont_get_preset(font_, bank, 0) != nullptr)
      return false;
    return !pianoPinned_;
  }

  // A channel left without a preset waits for its default program: it gets it once pinned. Only
  // the banks a channel starts with and returns to at a reset count; after a bank select the
  // channel waits for a program change.
  void SelectPinnedDefaults() {
    for (int channel = 0; channel < kChannels; ++channel) {
      if (fluid_synth_get_channel_preset(synth_, channel) != nullptr) continue;
      int font = 0, bank = 0, program = 0;
      fluid_synth_get_program(synth_, channel, &font, &bank, &program);
      if (program == 0 && (bank == 0 ? pianoPinned_ : bank == kDrumBank && drumKitPinned_))
        fluid_synth_program_change(synth_, channel, 0);
    }
  }

  void ApplyShort(std::uint8_t status, int data1, int data2) {
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
      case 0x80:
        fluid_synth_noteoff(synth_, channel, data1);
        break;
      case 0x90:
        fluid_synth_noteon(synth_, channel, data1, data2);
        break;  // velocity 0 ends it
      case 0xA0:
        fluid_synth_key_pressure(synth_, channel, data1, data2);
        break;
      case 0xB0:
        fluid_synth_cc(synth_, channel, data1, data2);
        break;
      case 0xC0:
        if (data1 == 0 && DefaultUnpinned(channel)) {
          // Unlike fluid_synth_unset_program, which records no program at all, this keeps bank
          // and program 0 on the channel, so that its default follows once pinned.
          fluid_synth_set_bank_offset(synth_, fontId_, kBanksOutOfReach);
          fluid_synth_program_change(synth_, channel, 0);
          fluid_synth_set_bank_offset(synth_, fontId_, 0);
        } else {
          fluid_synth_program_change(synth_, channel, data1);
        }
        break;
      case 0xD0:
        fluid_synth_channel_pressure(synth_, channel, data1);
        break;
      case 0xE0:
        fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7);
        break;
      default:
        break;
    }
  }

  fluid_settings_t* settings_;
  fluid_synth_t* synth_;
  AudioMixer* mixer_;
  int fontId_ = 0;
  fluid_sfont_t* font_ = nullptr;
  // Written by Warm while the audio thread stays away, read by the audio thread.
  bool pianoPinned_ = false;
  bool drumKitPinned_ = false;
  bool attached_ = false;
  Clock clock_;
  std::mutex producers_;
  MessageRing ring_;
  // Audio thread only: the record taken from the ring but not yet due, its payload in scratch_.
  struct Pending {
    std::uint8_t kind = 0;
    std::uint16_t length = 0;
    std::int64_t time = 0;
  };
  Pending pending_;
  bool hasPending_ = false;
  float block_[2 * kSubBlock];
  std::uint8_t scratch_[kMaxSysEx];
};

}  // namespace

std::string FindSoundFont() {
  SilenceFluidLog();
  std::string found;
  if (fluid_settings_t* settings = new_fluid_settings()) {
    char* configured = nullptr;
    if (fluid_settings_dupstr(settings, "synth.default-soundfont", &configured) == FLUID_OK &&
        Readable(configured))
      found = configured;
    fluid_free(configured);
    delete_fluid_settings(settings);
  }
  if (!found.empty()) return found;
  for (const char* path :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (Readable(path)) return path;
  return {};
}

std::unique_ptr<MidiSynth> MidiSynth::Create(AudioMixer* mixer, const char* soundFontPath,
                                             Clock clock) {
  SilenceFluidLog();
  std::string path =
      soundFontPath != nullptr && soundFontPath[0] != '\0' ? soundFontPath : FindSoundFont();
  if (!Readable(path.c_str())) return nullptr;
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  fluid_settings_setint(settings, "synth.device-id", 16);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);
  fluid_settings_setint(settings, "synth.midi-channels", kSynthChannels);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  // FluidSynth's default of 256 voices costs about 1.4 MB; the game's tune peaks at 25 voices,
  // and at 54 played three times as fast, so 128 never steals a voice.
  fluid_settings_setint(settings, "synth.polyphony", 128);
  // FluidSynth's default gain (0.2) leaves the music far below the sound effects, which are
  // recorded close to full scale. At 0.8 the game's tune sits about 16 dB under a shot or an
  // explosion: clearly heard, still behind the action. The mixer's limiter takes the few peaks
  // where both pass full scale together.
  fluid_settings_setnum(settings, "synth.gain", 0.8);
  fluid_settings_setnum(settings, "synth.sample-rate", mixer != nullptr ? mixer->Rate() : 44100);
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (synth == nullptr) {
    delete_fluid_settings(settings);
    return nullptr;
  }
  // The wrapper owns settings and synth from here on, so every failure below frees them.
  auto result = std::make_unique<FluidMidiSynth>(settings, synth, mixer, clock);
  // Our loader goes in front of the default one, so the file is read through the counting calls.
  fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
  if (loader == nullptr) return nullptr;
  fluid_sfloader_set_callbacks(loader, &OpenSoundFont, &ReadSoundFont, &SeekSoundFont,
                               &TellSoundFont, &CloseSoundFont);
  fluid_synth_add_sfloader(synth, loader);
  // Without selecting the default programs: no channel holds a preset until one is warmed.
  const int font = fluid_synth_sfload(synth, path.c_str(), 0);
  if (font == FLUID_FAILED) return nullptr;
  result->SetSoundFont(font);
  if (!result->Attach()) return nullptr;
  return result;
}

std::uint64_t MidiSynth::SoundFontReadsOnThisThread() { return soundFontReads; }

// ---- the loader ----

MidiSynthLoader::MidiSynthLoader(Factory factory) : factory_(std::move(factory)) {}

MidiSynthLoader::~MidiSynthLoader() { StopThread(); }

void MidiSynthLoader::StopThread() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    // A loader stopped before it started never starts.
    started_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void MidiSynthLoader::Start() {
  std::lock_guard lock(mutex_);
  if (started_) return;
  started_ = true;
  state_.store(State::kLoading, std::memory_order_release);
  try {
    thread_ = std::thread([this] {
      Run();
      ReleaseThreadData();
    });
  } catch (const std::system_error&) {
    state_.store(State::kFailed, std::memory_order_release);
  }
}

void MidiSynthLoader::Warm(std::vector<SynthPreset> presets) {
  Start();
  {
    std::lock_guard lock(mutex_);
    if (quit_ || state_.load(std::memory_order_relaxed) == State::kFailed) return;
    requests_.push_back(std::move(presets));
    state_.store(State::kLoading, std::memory_order_release);
  }
  changed_.notify_all();
}

void MidiSynthLoader::WaitUntilSettled() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return state_.load(std::memory_order_relaxed) != State::kLoading; });
}

void MidiSynthLoader::Run() {
  std::unique_ptr<MidiSynth> made = factory_();
  std::unique_lock lock(mutex_);
  if (made == nullptr) {
    requests_.clear();
    state_.store(State::kFailed, std::memory_order_release);
    changed_.notify_all();
    return;
  }
  synth_ = std::move(made);
  for (;;) {
    if (requests_.empty() || quit_) {
      // Presets still asked for when the thread is stopped stay cold; nobody waits for them.
      state_.store(State::kReady, std::memory_order_release);
      changed_.notify_all();
      changed_.wait(lock, [this] { return quit_ || !requests_.empty(); });
      if (quit_) return;
      continue;
    }
    std::vector<SynthPreset> presets = std::move(requests_.front());
    requests_.erase(requests_.begin());
    lock.unlock();
    synth_->Warm(presets);
    lock.lock();
  }
}

MidiSynthLoader& SharedMidiSynthLoader() {
  // Never destroyed: sequencers held by static objects may still ask for it while the process
  // ends, and the synthesizer it made keeps rendering until the device closes.
  // Nor does the process wait at exit for a SoundFont still loading.
  static MidiSynthLoader* const loader = new MidiSynthLoader([]() -> std::unique_ptr<MidiSynth> {
    AudioMixer* mixer = SharedAudioMixer();
    if (mixer == nullptr) return nullptr;
    return MidiSynth::Create(mixer, nullptr);
  });
  return *loader;
}

MidiSynth* SharedMidiSynth() { return SharedMidiSynthLoader().Synth(); }

bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size) {
  if (name == nullptr || size == 0) return false;
  const char* text = deviceId == -1 ? "Oru MIDI Mapper" : deviceId == 0 ? "FluidSynth" : "";
  std::size_t n = std::min({size - 1, std::strlen(text), std::size_t{31}});
  std::memcpy(name, text, n);
  name[n] = '\0';
  return n != 0;
}

}  // namespace oru
