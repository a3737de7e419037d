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
// Ring records: a 12-byte header (kind, unused, 16-bit payload length, 64-bit send time in
// nanoseconds of the steady clock), then the payload.
#include "oru/platform/midi_synth.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

#include "oru/platform/audio_device.h"

namespace oru {

namespace {

constexpr int kSubBlock = 256;             // frames rendered per FluidSynth call
constexpr std::uint32_t kRingBytes = 1u << 16;
constexpr std::size_t kMaxSysEx = 4096;    // longest body accepted
constexpr int kChannels = 16;

enum RecordKind : std::uint8_t { kShort = 1, kSysEx = 2, kReset = 3 };

void SilenceFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

bool Readable(const char* path) { return path != nullptr && path[0] != '\0' && access(path, R_OK) == 0; }

// A single-consumer byte ring. Producers are serialised by the caller; the consumer (the audio
// thread) only loads and stores atomics.
class MessageRing {
 public:
  // Writes header and payload as one record; false when it does not fit.
  static constexpr std::uint32_t kHeader = 12;

  bool Push(std::uint8_t kind, const std::uint8_t* payload, std::uint16_t length, std::int64_t time) {
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
      : settings_(settings), synth_(synth), mixer_(mixer), clock_(clock != nullptr ? clock : &SteadyNow) {}

  ~FluidMidiSynth() override {
    if (mixer_ != nullptr) mixer_->RemoveSource(this);
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }

  bool Attach() { return mixer_ == nullptr || mixer_->AddSource(this); }

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
          const std::int64_t framesAgo = std::min<std::int64_t>(age * rate / 1000000000, frames - 1);
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
      fluid_synth_sysex(synth_, reinterpret_cast<const char*>(scratch_), pending_.length, nullptr,
                        nullptr, nullptr, 0);
    } else if (pending_.kind == kReset) {
      for (int channel = 0; channel < kChannels; ++channel) {
        fluid_synth_cc(synth_, channel, 64, 0);  // sustain off first, or held notes ring on
        fluid_synth_all_notes_off(synth_, channel);
      }
    }
  }

  void ApplyShort(std::uint8_t status, int data1, int data2) {
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
      case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
      case 0x90: fluid_synth_noteon(synth_, channel, data1, data2); break;  // velocity 0 ends it
      case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
      case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
      case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
      case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
      case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
      default: break;
    }
  }

  fluid_settings_t* settings_;
  fluid_synth_t* synth_;
  AudioMixer* mixer_;
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
  for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (Readable(path)) return path;
  return {};
}

std::unique_ptr<MidiSynth> MidiSynth::Create(AudioMixer* mixer, const char* soundFontPath, Clock clock) {
  SilenceFluidLog();
  std::string path = soundFontPath != nullptr && soundFontPath[0] != '\0' ? soundFontPath : FindSoundFont();
  if (!Readable(path.c_str())) return nullptr;
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  fluid_settings_setint(settings, "synth.device-id", 16);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);
  fluid_settings_setint(settings, "synth.midi-channels", kChannels);
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
  if (fluid_synth_sfload(synth, path.c_str(), 1) == FLUID_FAILED) return nullptr;
  if (!result->Attach()) return nullptr;
  return result;
}

MidiSynth* SharedMidiSynth() {
  // Made once and never destroyed: the device closes at exit and stops calling it, and the
  // SoundFont is far too slow to load again for every open.
  static MidiSynth* const synth = []() -> MidiSynth* {
    AudioMixer* mixer = SharedAudioMixer();
    if (mixer == nullptr) return nullptr;
    return MidiSynth::Create(mixer, nullptr).release();
  }();
  return synth;
}

bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size) {
  if (name == nullptr || size == 0) return false;
  const char* text = deviceId == -1 ? "Oru MIDI Mapper" : deviceId == 0 ? "FluidSynth" : "";
  std::size_t n = std::min({size - 1, std::strlen(text), std::size_t{31}});
  std::memcpy(name, text, n);
  name[n] = '\0';
  return n != 0;
}

}  // namespace oru
