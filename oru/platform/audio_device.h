// The one audio device of the process and its mixer: voices holding a copy of a sound's
// samples, the single fallback voice that plays a whole WAVE image, and extra sources (the MIDI
// synthesizer) rendered into the same output.
//
//   oru::AudioMixer* mixer = oru::SharedAudioMixer();   // opens the device on first use
//   if (mixer) {                                        // null: no device, everything silent
//     int v = mixer->CreateVoice(format, samples, bytes);
//     mixer->SetPan(v, -300);                           // right channel 3 dB down
//     mixer->Start(v);                                  // once, from the current position
//   }
//
// Voices are made, played and destroyed from any thread; the mixer runs on SDL's audio thread.
// The two never share a lock: voice state lives in atomics, and destroying a voice waits until
// the mixer is outside any block that might still read its samples. Tests and benchmarks build
// an AudioMixer of their own and call Mix directly; no device is needed for that.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace oru {

// Where a WAVE image keeps its format record and its samples. Offsets are from the start of the
// image and always lie inside it.
struct WaveImageInfo {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint32_t averageBytesPerSecond = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint32_t formatOffset = 0;  // first byte of the format record
  std::uint32_t formatBytes = 0;   // size of the format chunk
  std::uint32_t dataOffset = 0;    // first sample byte
  std::uint32_t dataBytes = 0;
};

// Reads a RIFF/WAVE image: "RIFF" at 0, "WAVE" at 8, then a list of chunks (each a 4-byte tag,
// a 32-bit little-endian size and the bytes, padded to an even length). The first "fmt " and
// the first "data" chunk are taken wherever they lie; other chunks (LIST, fact, JUNK, ...) are
// stepped over. False when the tags are missing, either chunk is missing or runs past the image,
// the format chunk is shorter than 16 bytes, or channels or block align is 0.
bool ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageInfo* info);

// Whether the mixer can play samples in this format: integer PCM (tag 1, or the extensible tag
// with a PCM sub-format), 8-bit unsigned or 16-bit signed, mono or stereo, any rate.
bool IsPlayableWave(const std::uint8_t* image, const WaveImageInfo& info);

// Layout of a voice's samples.
struct PcmFormat {
  int channels;       // 1 or 2; stereo is left, right
  int rate;           // frames per second
  int bitsPerSample;  // 8 (unsigned) or 16 (signed little-endian)
  int blockAlign;     // bytes per frame; 0 means channels * bitsPerSample / 8
};

// Pan in hundredths of a decibel: negative turns the right channel down, positive the left one;
// the ends silence the other side completely.
inline constexpr std::int32_t kPanLeft = -10000;
inline constexpr std::int32_t kPanCentre = 0;
inline constexpr std::int32_t kPanRight = 10000;

// Left and right gain of a pan value (clamped to kPanLeft..kPanRight).
void PanGains(std::int32_t pan, float* left, float* right);

// Anything else the mixer renders, such as the MIDI synthesizer.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Audio thread: adds frames of stereo interleaved samples to out. No allocation, no lock.
  virtual void Render(float* out, int frames) = 0;
};

class AudioMixer {
 public:
  static constexpr int kMaxVoices = 64;
  static constexpr int kMaxSources = 4;

  // A mixer producing stereo float at rate frames per second, with room for maxVoices voices
  // (at most kMaxVoices) beside the fallback voice.
  explicit AudioMixer(int rate, int maxVoices = kMaxVoices);
  AudioMixer(const AudioMixer&) = delete;
  AudioMixer& operator=(const AudioMixer&) = delete;
  ~AudioMixer();

  int Rate() const { return rate_; }

  // A stopped voice at position 0, centred, holding its own copy of the samples converted to
  // the mixer's rate. -1 when the format cannot be played, there are no whole frames or every
  // slot is taken.
  int CreateVoice(const PcmFormat& format, const void* samples, std::size_t bytes);
  // Frees the voice; waits (briefly) while the audio thread may still be reading it.
  void DestroyVoice(int voice);

  // These return false for an id that is not a live voice (or an out-of-range pan).
  bool IsPlaying(int voice) const;
  // Plays once from the current position; a voice that finished is back at its first frame.
  bool Start(int voice);
  // Halts where it is.
  bool Stop(int voice);
  // Moves back to the first frame.
  bool Rewind(int voice);
  bool SetPan(int voice, std::int32_t pan);
  // Number of live voices.
  int VoiceCount() const;

  // The fallback: plays a whole WAVE image on the one dedicated voice, cutting off whatever it
  // played before. A null image only stops it and returns true; an image that cannot be played
  // stops it and returns false.
  bool PlayImage(const std::uint8_t* image, std::size_t size);
  bool ImagePlaying() const;

  // Adds a source to be rendered after the voices; false when every source slot is taken.
  bool AddSource(AudioSource* source);
  // Removes it and waits until the audio thread no longer renders it.
  void RemoveSource(AudioSource* source);

  // Writes frames of stereo interleaved samples to out: every playing voice, the fallback voice
  // and every source. A sum that would pass full scale is turned down smoothly for as long as it
  // stays loud, and whatever still passes is clamped to -1..1. Called on the audio thread;
  // allocates nothing and takes no lock.
  void Mix(float* out, int frames);

 private:
  struct Voice;
  void MixVoice(Voice& voice, float* out, int frames);
  void Limit(float* out, int frames);
  // Waits until no Mix call that started before now is still running.
  void WaitForMixer() const;
  Voice* Live(int voice) const;
  bool ChangeControl(int voice, bool playing);

  const int rate_;
  const int maxVoices_;
  std::unique_ptr<Voice[]> voices_;  // maxVoices_ voices, then the fallback voice
  std::atomic<AudioSource*> sources_[kMaxSources] = {};
  // The limiter's gain at the end of the last block (1 when nothing was loud); audio thread only.
  float limiterGain_ = 1.0f;
  // Odd while Mix runs; lets destroyers know when the audio thread has let go.
  std::atomic<std::uint32_t> mixEpoch_{0};
};

// The shared device's mixer, opened on the first call (SDL audio, float stereo at the device's
// rate, 512-frame buffers). Null when there is no device; later calls do not retry.
AudioMixer* SharedAudioMixer();

}  // namespace oru
