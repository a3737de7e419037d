/// \file
/// VoiceDevice: what a sound effect plays on. A voice holds one sound's samples and plays them
/// once from where it stands, panned; a sound makes a few voices so that it can overlap itself.
/// The software mixer (audio_mixer.h) is one such device; a back end whose system keeps voices
/// of its own (DirectSound on Windows) is another, and converts each sound's rate as it plays.
///
///   oru::VoiceDevice* device = oru::SharedVoiceDevice();       // audio_device.h; null: silent
///   int rate = device->PlaybackRate(22050);                   // convert the samples to this rate
///   int v = device->CreateVoice(samples, 1, rate);
///   device->SetPan(v, -300);                                  // right channel 3 dB down
///   device->Start(v);
///
/// Voices are made, played and destroyed from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "oru/platform/messages.h"

namespace oru {

/// A voice's samples: interleaved float frames (left, right for stereo) at the rate the voice
/// was made with, shared by every voice that plays them and never changed once made.
using VoiceSamples = std::shared_ptr<const std::vector<float>>;

///@{
/// Pan in hundredths of a decibel: negative turns the right channel down, positive the left one;
/// the ends silence the other side completely.
inline constexpr std::int32_t kPanLeft = -10000;
inline constexpr std::int32_t kPanCentre = 0;
inline constexpr std::int32_t kPanRight = 10000;
///@}

/// Where wave sounds play: voices of samples that start, stop, rewind and pan.
class VoiceDevice {
 public:
  virtual ~VoiceDevice() = default;

  ///@{
  /// The rate samples recorded at soundRate frames per second must be converted to before their
  /// voices are made: the mixer's own rate, or soundRate itself (within the system's limits)
  /// where the system converts as it plays.
  virtual int PlaybackRate(int soundRate) const = 0;
  /// The window the sounds belong to (null changes nothing); systems that tie sound to a window
  /// use it, the others ignore it.
  virtual void UseWindow(WindowHandle window) { (void)window; }
  ///@}

  ///@{
  /// A stopped voice at its first frame, centred, playing samples of channels channels (1 or 2)
  /// at rate, which must be what PlaybackRate answered. -1 when the samples hold no whole frame,
  /// the channels or the rate are wrong, or no voice can be had.
  virtual int CreateVoice(VoiceSamples samples, int channels, int rate) = 0;
  /// Frees the voice; an id that is not a live voice is ignored.
  virtual void DestroyVoice(int voice) = 0;
  ///@}

  ///@{
  /// These return false for an id that is not a live voice (or an out-of-range pan).
  virtual bool IsPlaying(int voice) const = 0;
  /// Plays once from the current position; a voice that finished is back at its first frame.
  virtual bool Start(int voice) = 0;
  /// Halts where it is.
  virtual bool Stop(int voice) = 0;
  /// Moves back to the first frame.
  virtual bool Rewind(int voice) = 0;
  virtual bool SetPan(int voice, std::int32_t pan) = 0;
  /// Number of live voices.
  virtual int VoiceCount() const = 0;
  ///@}

  ///@{
  /// The fallback: plays samples (at rate, as for CreateVoice) once, centred, on the one sound
  /// that plays when a sound has no voice, cutting off whatever it played before. Null samples
  /// only stop it and return true; samples that cannot be played stop it and return false.
  virtual bool PlayFallback(VoiceSamples samples, int channels, int rate) = 0;
  virtual bool FallbackPlaying() const = 0;
  ///@}
};

}  // namespace oru
