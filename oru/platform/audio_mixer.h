/// \file
/// The software mixer of the process's audio output (where the back end mixes for itself, as the
/// SDL one does): voices holding float samples already at the mixer's rate, the single fallback
/// voice that plays one sound at a time, and extra sources (the MIDI synthesizer) rendered into
/// the same output. Plain C++: the device that calls Mix lives in audio_device.h, and sounds
/// arrive here already decoded and converted (oru/sound/wave_file.h).
///
///   auto samples = std::make_shared<const std::vector<float>>(std::move(floats));  // at Rate()
///   int v = mixer.CreateVoice(samples, 1);            // mono; the voices may share the samples
///   mixer.SetPan(v, -300);                            // right channel 3 dB down
///   mixer.Start(v);                                   // once, from the current position
///
/// Voices are made, played and destroyed from any thread; Mix runs on the audio thread. The two
/// never share a lock: voice state lives in atomics, and destroying a voice waits until the mixer
/// is outside any block that might still read its samples. Tests and benchmarks build an
/// AudioMixer of their own and call Mix directly; no device is needed for that.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "oru/platform/voice_device.h"

namespace oru {

/// Left and right gain of a pan value (clamped to kPanLeft..kPanRight).
void PanGains(std::int32_t pan, float* left, float* right);

/// Anything else the mixer renders, such as the MIDI synthesizer.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  /// Audio thread: adds frames of stereo interleaved samples to out. No allocation, no lock.
  virtual void Render(float* out, int frames) = 0;
};

/// The software mixer behind the voices: sums the playing voices and the added sources into the
/// audio device's buffer.
class AudioMixer final : public VoiceDevice {
 public:
  /// Voices a mixer holds by default.
  static constexpr int kMaxVoices = 64;
  /// Sources (such as the MIDI synthesiser) that may be added at once.
  static constexpr int kMaxSources = 4;

  ///@{
  /// A mixer producing stereo float at rate frames per second, with room for maxVoices voices
  /// (at most kMaxVoices) beside the fallback voice.
  explicit AudioMixer(int rate, int maxVoices = kMaxVoices);
  AudioMixer(const AudioMixer&) = delete;
  AudioMixer& operator=(const AudioMixer&) = delete;
  ~AudioMixer() override;
  ///@}

  /// Output rate in frames per second.
  int Rate() const { return rate_; }
  /// Every sound is converted to the mixer's rate.
  int PlaybackRate(int soundRate) const override {
    (void)soundRate;
    return rate_;
  }

  ///@{
  /// A stopped voice at position 0, centred, playing samples of channels channels (1 or 2). -1
  /// when samples is null or holds no whole frame, channels is not 1 or 2, or every slot is
  /// taken.
  int CreateVoice(VoiceSamples samples, int channels);
  /// The same, and -1 for a rate other than the mixer's.
  int CreateVoice(VoiceSamples samples, int channels, int rate) override;
  /// Frees the voice; waits (briefly) while the audio thread may still be reading it.
  void DestroyVoice(int voice) override;
  ///@}

  ///@{
  /// These return false for an id that is not a live voice (or an out-of-range pan).
  bool IsPlaying(int voice) const override;
  /// Plays once from the current position; a voice that finished is back at its first frame.
  bool Start(int voice) override;
  /// Halts where it is.
  bool Stop(int voice) override;
  /// Moves back to the first frame.
  bool Rewind(int voice) override;
  bool SetPan(int voice, std::int32_t pan) override;
  /// Number of live voices.
  int VoiceCount() const override;
  ///@}

  ///@{
  /// The fallback: plays samples once on the one dedicated voice, centred, cutting off whatever
  /// it played before. Null samples only stop it and return true; samples that cannot be played
  /// (no whole frame, channels not 1 or 2) stop it and return false.
  bool PlayFallback(VoiceSamples samples, int channels);
  /// The same, and samples at a rate other than the mixer's stop it and return false.
  bool PlayFallback(VoiceSamples samples, int channels, int rate) override;
  bool FallbackPlaying() const override;
  ///@}

  ///@{
  /// Adds a source to be rendered after the voices; false when every source slot is taken.
  bool AddSource(AudioSource* source);
  /// Removes it and waits until the audio thread no longer renders it.
  void RemoveSource(AudioSource* source);
  ///@}

  /// Writes frames of stereo interleaved samples to out: every playing voice, the fallback voice
  /// and every source. A sum that would pass full scale is turned down smoothly for as long as it
  /// stays loud, and whatever still passes is clamped to -1..1. Called on the audio thread;
  /// allocates nothing and takes no lock.
  void Mix(float* out, int frames);

 private:
  struct Voice;
  void MixVoice(Voice& voice, float* out, int frames);
  void Limit(float* out, int frames);
  ///@{
  /// Waits until no Mix call that started before now is still running.
  void WaitForMixer() const;
  Voice* Live(int voice) const;
  bool ChangeControl(int voice, bool playing);
  /// Fills a busy slot with samples, stopped (or playing), at its first frame and centred.
  static void Fill(Voice& v, VoiceSamples samples, int channels, bool playing);
  /// Takes a live slot away from the audio thread and frees its samples.
  void Empty(Voice& v);
  ///@}

  const int rate_;
  const int maxVoices_;
  std::unique_ptr<Voice[]> voices_;  ///< maxVoices_ voices, then the fallback voice
  std::atomic<AudioSource*> sources_[kMaxSources] = {};
  ///@{
  /// The limiter's gain at the end of the last block (1 when nothing was loud); audio thread only.
  float limiterGain_ = 1.0f;
  /// Odd while Mix runs; lets destroyers know when the audio thread has let go.
  std::atomic<std::uint32_t> mixEpoch_{0};
  ///@}
};

}  // namespace oru
