// The mixer.
//
// A voice's playback state is split by owner. The thread that plays sounds owns the control
// word (bit 0: playing, the rest: a serial bumped by every change), the rewind request and the
// pan; the audio thread owns the position and the gains it derived from the pan. When a voice
// reaches its end the audio thread clears the playing bit with a compare-and-swap against the
// control word it started the block with, so a Start that lands in the same block is never lost.
// Creating and destroying voices moves a slot between free, busy and live; the audio thread
// only looks at live slots, and a destroyer that took a slot away waits for the mix epoch to move
// on before it frees the samples.
#include "oru/platform/audio_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace oru {

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
  // Written only while the slot is busy. data points into samples, so the audio thread never
  // touches the shared pointer's count.
  VoiceSamples samples;
  const float* data = nullptr;
  int channels = 1;
  std::uint32_t frames = 0;
  // Audio thread only (reset while busy).
  std::uint32_t position = 0;
  std::int32_t mixedPan = 0;
  float gainLeft = 1.0f, gainRight = 1.0f;
};

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

namespace {

// Frames in samples for a voice of channels channels; 0 when it cannot be played.
std::uint32_t PlayableFrames(const VoiceSamples& samples, int channels) {
  if (samples == nullptr || (channels != 1 && channels != 2)) return 0;
  const std::size_t frames = samples->size() / static_cast<std::size_t>(channels);
  return frames <= UINT32_MAX ? static_cast<std::uint32_t>(frames) : 0;
}

}  // namespace

void AudioMixer::Fill(Voice& v, VoiceSamples samples, int channels, bool playing) {
  v.frames = PlayableFrames(samples, channels);
  v.samples = std::move(samples);
  v.data = v.samples->data();
  v.channels = channels;
  v.position = 0;
  v.mixedPan = 0;
  v.gainLeft = v.gainRight = 1.0f;
  v.control.store(playing ? 1 : 0);
  v.rewind.store(false);
  v.pan.store(0);
}

void AudioMixer::Empty(Voice& v) {
  WaitForMixer();
  v.samples.reset();
  v.data = nullptr;
  v.frames = 0;
}

int AudioMixer::CreateVoice(VoiceSamples samples, int channels) {
  if (PlayableFrames(samples, channels) == 0) return -1;
  for (int i = 0; i < maxVoices_; ++i) {
    Voice& v = voices_[i];
    int expected = Voice::kFree;
    if (!v.state.compare_exchange_strong(expected, Voice::kBusy)) continue;
    Fill(v, std::move(samples), channels, false);
    v.state.store(Voice::kLive);
    return i;
  }
  return -1;
}

int AudioMixer::CreateVoice(VoiceSamples samples, int channels, int rate) {
  return rate == rate_ ? CreateVoice(std::move(samples), channels) : -1;
}

void AudioMixer::DestroyVoice(int voice) {
  if (voice < 0 || voice >= maxVoices_) return;
  Voice& v = voices_[voice];
  int expected = Voice::kLive;
  if (!v.state.compare_exchange_strong(expected, Voice::kBusy)) return;
  Empty(v);
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

bool AudioMixer::PlayFallback(VoiceSamples samples, int channels) {
  // Callers of the fallback take turns; the audio thread never waits on this.
  static std::mutex turn;
  std::lock_guard<std::mutex> lock(turn);
  Voice& v = voices_[maxVoices_];
  // Cut off the previous sound first: a new play always silences the old one.
  int expected = Voice::kLive;
  if (v.state.compare_exchange_strong(expected, Voice::kBusy)) {
    Empty(v);
    v.state.store(Voice::kFree);
  }
  if (samples == nullptr) return true;
  if (PlayableFrames(samples, channels) == 0) return false;
  v.state.store(Voice::kBusy);
  Fill(v, std::move(samples), channels, true);
  v.state.store(Voice::kLive);
  return true;
}

bool AudioMixer::PlayFallback(VoiceSamples samples, int channels, int rate) {
  if (samples != nullptr && rate != rate_) {
    PlayFallback(nullptr, channels);
    return false;
  }
  return PlayFallback(std::move(samples), channels);
}

bool AudioMixer::FallbackPlaying() const {
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
    const float* s = v.data + v.position;
    for (int i = 0; i < n; ++i) {
      out[2 * i] += s[i] * gl;
      out[2 * i + 1] += s[i] * gr;
    }
  } else {
    const float* s = v.data + 2 * static_cast<std::size_t>(v.position);
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
    target = wanted - (wanted - limiterGain_) * std::exp(-static_cast<float>(frames) /
                                                         (0.1f * static_cast<float>(rate_)));
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

}  // namespace oru
