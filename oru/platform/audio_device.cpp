// The shared SDL audio device and its mixer.
//
// A voice's playback state is split by owner. The thread that plays sounds owns the control
// word (bit 0: playing, the rest: a serial bumped by every change), the rewind request and the
// pan; the audio thread owns the position and the gains it derived from the pan. When a voice
// reaches its end the audio thread clears the playing bit with a compare-and-swap against the
// control word it started the block with, so a Start that lands in the same block is never lost.
// Creating and destroying voices moves a slot between free, busy and live; the audio thread
// only looks at live slots, and a destroyer that took a slot away waits for the mix epoch to move
// on before it frees the samples.
#include "oru/platform/audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "oru/platform/threads.h"

namespace oru {

// ---- WAVE images ----

namespace {

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// Largest number of float samples one voice may hold (128 MiB): a few minutes of stereo sound,
// and a bound on what a hostile header (a tiny rate with a long data chunk) can make us allocate.
constexpr std::uint64_t kMaxVoiceSamples = 32u << 20;

}  // namespace

bool ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageInfo* info) {
  // Offsets are kept in 32 bits, as RIFF sizes are.
  if (image == nullptr || size < 12 || size > UINT32_MAX) return false;
  if (std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) return false;
  WaveImageInfo found;
  bool haveFormat = false, haveData = false;
  std::size_t at = 12;
  while (size - at >= 8 && !(haveFormat && haveData)) {
    const std::uint8_t* tag = image + at;
    std::uint32_t chunkBytes = Read32(image + at + 4);
    std::size_t body = at + 8;
    if (chunkBytes > size - body) {
      // A chunk that claims more than the image holds: fatal only for the two we need.
      if (std::memcmp(tag, "fmt ", 4) == 0 || std::memcmp(tag, "data", 4) == 0) return false;
      break;
    }
    if (!haveFormat && std::memcmp(tag, "fmt ", 4) == 0) {
      if (chunkBytes < 16) return false;
      const std::uint8_t* f = image + body;
      found.formatTag = Read16(f);
      found.channels = Read16(f + 2);
      found.samplesPerSecond = Read32(f + 4);
      found.averageBytesPerSecond = Read32(f + 8);
      found.blockAlign = Read16(f + 12);
      found.bitsPerSample = Read16(f + 14);
      found.formatOffset = static_cast<std::uint32_t>(body);
      found.formatBytes = chunkBytes;
      haveFormat = true;
    } else if (!haveData && std::memcmp(tag, "data", 4) == 0) {
      found.dataOffset = static_cast<std::uint32_t>(body);
      found.dataBytes = chunkBytes;
      haveData = true;
    }
    // Chunks are padded to an even length; the pad byte of the last chunk may be missing.
    std::size_t next = body + chunkBytes + (chunkBytes & 1);
    if (next > size) break;
    at = next;
  }
  if (!haveFormat || !haveData) return false;
  if (found.channels == 0 || found.blockAlign == 0) return false;
  *info = found;
  return true;
}

bool IsPlayableWave(const std::uint8_t* image, const WaveImageInfo& info) {
  std::uint16_t tag = info.formatTag;
  if (tag == kFormatExtensible) {
    // The sub-format GUID starts at byte 24 of the record; PCM's begins with 01 00.
    if (info.formatBytes < 40) return false;
    tag = Read16(image + info.formatOffset + 24);
  }
  if (tag != kFormatPcm) return false;
  if (info.channels != 1 && info.channels != 2) return false;
  if (info.bitsPerSample != 8 && info.bitsPerSample != 16) return false;
  if (info.samplesPerSecond == 0 || info.samplesPerSecond > INT32_MAX) return false;
  return info.blockAlign >= info.channels * info.bitsPerSample / 8;
}

void PanGains(std::int32_t pan, float* left, float* right) {
  pan = std::clamp(pan, kPanLeft, kPanRight);
  // Hundredths of a decibel: gain = 10^(-|pan| / 2000); the ends are silence.
  float quiet = std::abs(pan) == kPanRight ? 0.0f : std::pow(10.0f, -std::abs(pan) / 2000.0f);
  *left = pan > 0 ? quiet : 1.0f;
  *right = pan < 0 ? quiet : 1.0f;
}

// ---- voices ----

struct AudioMixer::Voice {
  enum State : int { kFree, kBusy, kLive };
  std::atomic<int> state{kFree};
  std::atomic<std::uint32_t> control{0};
  std::atomic<bool> rewind{false};
  std::atomic<std::int32_t> pan{0};
  // Written only while the slot is busy.
  std::vector<float> samples;
  int channels = 1;
  std::uint32_t frames = 0;
  // Audio thread only (reset while busy).
  std::uint32_t position = 0;
  std::int32_t mixedPan = 0;
  float gainLeft = 1.0f, gainRight = 1.0f;
};

namespace {

// Converts whole frames of 8-bit unsigned or 16-bit signed PCM to float at the mixer's rate,
// with linear interpolation when the rates differ. Empty on failure.
bool ConvertSamples(const PcmFormat& format, const void* samples, std::size_t bytes, int rate,
                    std::vector<float>* out) {
  if (format.channels != 1 && format.channels != 2) return false;
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return false;
  if (format.rate <= 0 || rate <= 0 || samples == nullptr) return false;
  const int sampleBytes = format.bitsPerSample / 8;
  const int stride = format.blockAlign != 0 ? format.blockAlign : format.channels * sampleBytes;
  if (stride < format.channels * sampleBytes) return false;
  const std::uint64_t inFrames = bytes / static_cast<std::size_t>(stride);
  if (inFrames == 0) return false;
  const std::uint64_t outFrames = std::max<std::uint64_t>(
      1, inFrames * static_cast<std::uint64_t>(rate) / static_cast<std::uint64_t>(format.rate));
  if (outFrames * format.channels > kMaxVoiceSamples || inFrames * format.channels > kMaxVoiceSamples)
    return false;

  const auto* in = static_cast<const std::uint8_t*>(samples);
  auto sampleAt = [&](std::uint64_t frame, int channel) -> float {
    const std::uint8_t* p = in + frame * stride + channel * sampleBytes;
    if (sampleBytes == 1) return (static_cast<int>(p[0]) - 128) / 128.0f;
    return static_cast<std::int16_t>(Read16(p)) / 32768.0f;
  };
  std::vector<float> converted(outFrames * format.channels);
  if (outFrames == inFrames) {
    for (std::uint64_t i = 0; i < inFrames; ++i)
      for (int c = 0; c < format.channels; ++c) converted[i * format.channels + c] = sampleAt(i, c);
  } else {
    const double step = static_cast<double>(format.rate) / rate;
    for (std::uint64_t i = 0; i < outFrames; ++i) {
      double where = i * step;
      std::uint64_t a = std::min<std::uint64_t>(static_cast<std::uint64_t>(where), inFrames - 1);
      std::uint64_t b = std::min<std::uint64_t>(a + 1, inFrames - 1);
      float t = static_cast<float>(where - static_cast<double>(a));
      for (int c = 0; c < format.channels; ++c) {
        float sa = sampleAt(a, c), sb = sampleAt(b, c);
        converted[i * format.channels + c] = sa + (sb - sa) * t;
      }
    }
  }
  out->swap(converted);
  return true;
}

}  // namespace

AudioMixer::AudioMixer(int rate, int maxVoices)
    : rate_(rate),
      maxVoices_(std::clamp(maxVoices, 0, kMaxVoices)),
      voices_(new Voice[static_cast<std::size_t>(maxVoices_) + 1]) {}

AudioMixer::~AudioMixer() = default;

void AudioMixer::WaitForMixer() const {
  std::uint32_t epoch = mixEpoch_.load();
  if ((epoch & 1) == 0) return;
  while (mixEpoch_.load() == epoch) std::this_thread::yield();
}

AudioMixer::Voice* AudioMixer::Live(int voice) const {
  if (voice < 0 || voice >= maxVoices_) return nullptr;
  Voice& v = voices_[voice];
  return v.state.load() == Voice::kLive ? &v : nullptr;
}

int AudioMixer::CreateVoice(const PcmFormat& format, const void* samples, std::size_t bytes) {
  std::vector<float> converted;
  try {
    if (!ConvertSamples(format, samples, bytes, rate_, &converted)) return -1;
  } catch (const std::bad_alloc&) {
    return -1;
  }
  for (int i = 0; i < maxVoices_; ++i) {
    Voice& v = voices_[i];
    int expected = Voice::kFree;
    if (!v.state.compare_exchange_strong(expected, Voice::kBusy)) continue;
    v.samples.swap(converted);
    v.channels = format.channels;
    v.frames = static_cast<std::uint32_t>(v.samples.size() / format.channels);
    v.position = 0;
    v.mixedPan = 0;
    v.gainLeft = v.gainRight = 1.0f;
    v.control.store(0);
    v.rewind.store(false);
    v.pan.store(0);
    v.state.store(Voice::kLive);
    return i;
  }
  return -1;
}

void AudioMixer::DestroyVoice(int voice) {
  if (voice < 0 || voice >= maxVoices_) return;
  Voice& v = voices_[voice];
  int expected = Voice::kLive;
  if (!v.state.compare_exchange_strong(expected, Voice::kBusy)) return;
  WaitForMixer();
  std::vector<float>().swap(v.samples);
  v.frames = 0;
  v.state.store(Voice::kFree);
}

bool AudioMixer::IsPlaying(int voice) const {
  Voice* v = Live(voice);
  return v != nullptr && (v->control.load() & 1) != 0;
}

bool AudioMixer::ChangeControl(int voice, bool playing) {
  Voice* v = Live(voice);
  if (v == nullptr) return false;
  std::uint32_t old = v->control.load();
  while (!v->control.compare_exchange_weak(old, ((old >> 1) + 1) << 1 | (playing ? 1u : 0u))) {
  }
  return true;
}

bool AudioMixer::Start(int voice) { return ChangeControl(voice, true); }

bool AudioMixer::Stop(int voice) { return ChangeControl(voice, false); }

bool AudioMixer::Rewind(int voice) {
  Voice* v = Live(voice);
  if (v == nullptr) return false;
  v->rewind.store(true);
  return true;
}

bool AudioMixer::SetPan(int voice, std::int32_t pan) {
  Voice* v = Live(voice);
  if (v == nullptr || pan < kPanLeft || pan > kPanRight) return false;
  v->pan.store(pan);
  return true;
}

int AudioMixer::VoiceCount() const {
  int n = 0;
  for (int i = 0; i < maxVoices_; ++i) n += voices_[i].state.load() == Voice::kLive;
  return n;
}

bool AudioMixer::PlayImage(const std::uint8_t* image, std::size_t size) {
  // Callers of the fallback take turns; the audio thread never waits on this.
  static std::mutex turn;
  std::lock_guard<std::mutex> lock(turn);
  Voice& v = voices_[maxVoices_];
  // Cut off the previous sound first: a new play always silences the old one.
  int expected = Voice::kLive;
  if (v.state.compare_exchange_strong(expected, Voice::kBusy)) {
    WaitForMixer();
    std::vector<float>().swap(v.samples);
    v.state.store(Voice::kFree);
  }
  if (image == nullptr) return true;
  WaveImageInfo info;
  if (!ParseWaveImage(image, size, &info) || !IsPlayableWave(image, info)) return false;
  PcmFormat format{info.channels, static_cast<int>(info.samplesPerSecond), info.bitsPerSample,
                   info.blockAlign};
  std::vector<float> converted;
  try {
    if (!ConvertSamples(format, image + info.dataOffset, info.dataBytes, rate_, &converted)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  v.state.store(Voice::kBusy);
  v.samples.swap(converted);
  v.channels = info.channels;
  v.frames = static_cast<std::uint32_t>(v.samples.size() / info.channels);
  v.position = 0;
  v.mixedPan = 0;
  v.gainLeft = v.gainRight = 1.0f;
  v.rewind.store(false);
  v.pan.store(0);
  v.control.store(1);
  v.state.store(Voice::kLive);
  return true;
}

bool AudioMixer::ImagePlaying() const {
  const Voice& v = voices_[maxVoices_];
  return v.state.load() == Voice::kLive && (v.control.load() & 1) != 0;
}

bool AudioMixer::AddSource(AudioSource* source) {
  for (auto& slot : sources_) {
    AudioSource* expected = nullptr;
    if (slot.compare_exchange_strong(expected, source)) return true;
  }
  return false;
}

void AudioMixer::RemoveSource(AudioSource* source) {
  for (auto& slot : sources_) {
    AudioSource* expected = source;
    if (slot.compare_exchange_strong(expected, nullptr)) WaitForMixer();
  }
}

void AudioMixer::MixVoice(Voice& v, float* out, int frames) {
  if (v.rewind.exchange(false)) v.position = 0;
  const std::uint32_t control = v.control.load();
  if ((control & 1) == 0) return;
  std::int32_t pan = v.pan.load(std::memory_order_relaxed);
  if (pan != v.mixedPan) {
    PanGains(pan, &v.gainLeft, &v.gainRight);
    v.mixedPan = pan;
  }
  const std::uint32_t left = v.frames - v.position;
  const int n = left < static_cast<std::uint32_t>(frames) ? static_cast<int>(left) : frames;
  const float gl = v.gainLeft, gr = v.gainRight;
  if (v.channels == 1) {
    const float* s = v.samples.data() + v.position;
    for (int i = 0; i < n; ++i) {
      out[2 * i] += s[i] * gl;
      out[2 * i + 1] += s[i] * gr;
    }
  } else {
    const float* s = v.samples.data() + 2 * static_cast<std::size_t>(v.position);
    for (int i = 0; i < n; ++i) {
      out[2 * i] += s[2 * i] * gl;
      out[2 * i + 1] += s[2 * i + 1] * gr;
    }
  }
  v.position += static_cast<std::uint32_t>(n);
  if (v.position >= v.frames) {
    // Finished: the next start plays from the first frame. Only clear the playing bit if
    // nobody touched the voice since this block began.
    v.position = 0;
    std::uint32_t expected = control;
    v.control.compare_exchange_strong(expected, control & ~1u);
  }
}

void AudioMixer::Mix(float* out, int frames) {
  mixEpoch_.fetch_add(1);
  if (frames > 0) {
    std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
    for (int i = 0; i <= maxVoices_; ++i) {
      Voice& v = voices_[i];
      if (v.state.load() == Voice::kLive) MixVoice(v, out, frames);
    }
    for (auto& slot : sources_) {
      AudioSource* source = slot.load();
      if (source != nullptr) source->Render(out, frames);
    }
    Limit(out, frames);
  }
  mixEpoch_.fetch_add(1);
}

// The music alone peaks not far below full scale, so an explosion over it would be flattened by
// the clamp into a harsh crackle. Instead the whole mix is turned down to fit: the gain falls
// within about a millisecond when a block is too loud and comes back over a few hundred
// milliseconds once it is not, so what is heard is a brief dip in loudness, not distortion. A
// mix that stays within full scale passes untouched.
void AudioMixer::Limit(float* out, int frames) {
  const std::size_t n = 2 * static_cast<std::size_t>(frames);
  float peak = 0.0f;
  for (std::size_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(out[i]));
  const float wanted = peak > 1.0f ? 1.0f / peak : 1.0f;
  float target;
  int rampFrames;
  if (wanted < limiterGain_) {
    target = wanted;
    rampFrames = std::max(1, rate_ / 1000);
  } else {
    // Recovery: a time constant of a tenth of a second, counted in frames so any block size gives
    // the same curve.
    target = wanted - (wanted - limiterGain_) * std::exp(-static_cast<float>(frames) / (0.1f * static_cast<float>(rate_)));
    rampFrames = frames;
  }
  if (limiterGain_ != 1.0f || target != 1.0f) {
    rampFrames = std::min(rampFrames, frames);
    const float start = limiterGain_;
    const float step = (target - start) / static_cast<float>(rampFrames);
    for (int f = 0; f < rampFrames; ++f) {
      const float gain = start + step * static_cast<float>(f + 1);
      out[2 * f] *= gain;
      out[2 * f + 1] *= gain;
    }
    for (std::size_t i = 2 * static_cast<std::size_t>(rampFrames); i < n; ++i) out[i] *= target;
  }
  // Only the first millisecond of a sudden peak can still pass full scale.
  for (std::size_t i = 0; i < n; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  // Snap the last sliver of recovery so a quiet mix goes back to the untouched path.
  limiterGain_ = target > 0.9999f ? 1.0f : target;
}

// ---- the shared device ----

namespace {

class SharedDevice {
 public:
  SharedDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    // SDL's audio thread asks for time-critical priority; with this hint that means real time
    // where the system grants it (SDL falls back quietly when it does not).
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = &SharedDevice::Callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return;
    }
    // Never deleted: sounds held by static objects may still talk to it while the process
    // ends, after this holder has closed the device.
    mixer_ = new AudioMixer(have.freq);
    SDL_PauseAudioDevice(device_, 0);
  }
  ~SharedDevice() {
    if (device_ != 0) {
      SDL_CloseAudioDevice(device_);
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
  }
  AudioMixer* Mixer() const { return mixer_; }

 private:
  static void SDLCALL Callback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<SharedDevice*>(userdata);
    if (!self->priorityAsked_) {
      // SDL's own request goes only through RealtimeKit; this one also takes the direct way.
      // Once, in the first block, which is silence anyway.
      self->priorityAsked_ = true;
      RaiseThreadPriority();
    }
    self->mixer_->Mix(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
  }

  SDL_AudioDeviceID device_ = 0;
  AudioMixer* mixer_ = nullptr;
  bool priorityAsked_ = false;  // audio thread only
};

}  // namespace

AudioMixer* SharedAudioMixer() {
  static SharedDevice device;
  return device.Mixer();
}

}  // namespace oru
