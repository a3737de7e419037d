/// \file
/// WaveSound: one sound effect, the whole WAVE file held in memory plus three voices of the
/// shared audio device, so that the effect can sound up to three times at once.
///
/// The game window builds each sound on the primary thread and plays it from the game thread:
///
///   oru::WaveSound crash;                  // the shared audio device, opened by the first load
///   crash.SetWindow(mainWindow);
///   crash.Load("CRASH.WAV", nullptr);      // pack, plain file or embedded resource
///   ...
///   crash.Play(0);                         // centred; a fourth overlapping play restarts voice 2
///
/// When voice 0 could not be made, Play hands the whole sound to the fallback voice, which plays
/// one sound at a time (a new play cuts off the previous one). Without any device at all every
/// play is silent and returns false; nothing else changes.
///
/// Accepted files: what wave_file.h reads (8-, 16-, 24- and 32-bit integer PCM, 32-bit float, and
/// WAVE_FORMAT_EXTENSIBLE holding either; mono or stereo; any rate within reach of the device's).
/// The samples are converted once, when the sound loads, to float at the rate the device asks
/// for (VoiceDevice::PlaybackRate: a mixer's own rate, through a band-limited resampler, or the
/// file's rate where the system converts as it plays); its three voices share them. A file that
/// cannot be played is refused with the reason in LastError(), and the sound stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "oru/platform/messages.h"
#include "oru/platform/voice_device.h"

namespace oru {

/// A sound loaded from a WAVE file, played on up to kVoicesPerSound voices at once.
class WaveSound {
 public:
  /// Voices each sound has, so it can overlap itself this many times.
  static constexpr int kVoicesPerSound = 3;

  ///@{
  /// On the shared audio device, which the first sound to load opens (a sound never loaded opens
  /// nothing); in fallback mode when there is none.
  WaveSound();
  /// On the given device (a mixer of the test's or tool's own); null means no device at all.
  explicit WaveSound(VoiceDevice* device);
  WaveSound(const WaveSound&) = delete;
  WaveSound& operator=(const WaveSound&) = delete;
  ~WaveSound();
  ///@}

  /// Remembers the window the sound belongs to, and hands it to the device. False without a
  /// device (a sound on the shared device that has not loaded yet counts as having one), or when
  /// window is the one already stored. Null keeps the stored window.
  bool SetWindow(WindowHandle window);

  ///@{
  /// Load through the data sources (pack, plain file, embedded resource), an embedded resource
  /// only, or a plain file only. False when the name is found nowhere or the bytes are not a
  /// playable WAVE file; the sound is then unchanged (LastError() says why).
  bool Load(const char* name, const char* type);
  bool LoadResource(const char* name, const char* type);
  bool LoadFile(const char* name);
  /// The same from bytes in memory; the image is copied.
  bool LoadImage(const std::uint8_t* bytes, std::size_t size);
  ///@}

  ///@{
  /// Replaces the voices with count new ones (none without an image); a voice that cannot be
  /// made stays empty.
  void CreateVoices(int count);
  /// Plays the sound once with pan in hundredths of a decibel (0 is centre, negative turns the
  /// right side down): on the first voice that is not playing, else by restarting the last one.
  bool Play(std::int32_t pan);
  void DestroyVoices();
  ///@}

  ///@{
  /// Sample bytes of the data chunk and where they start in the image (null when not loaded).
  std::uint32_t DataBytes() const { return dataBytes_; }
  const std::uint8_t* Data() const { return data_; }
  const std::uint8_t* Image() const { return image_.get(); }
  std::size_t ImageSize() const { return imageSize_; }
  int VoiceCount() const { return voiceCount_; }
  /// The device's id of voice i, -1 when that voice is empty or i is out of range.
  int VoiceId(int i) const;
  VoiceDevice* Device() const { return device_; }
  WindowHandle Window() const { return window_; }
  ///@}

 private:
  bool TakeImage(std::unique_ptr<std::uint8_t[]> image, std::size_t size);

  VoiceDevice* device_ = nullptr;
  bool awaitingShared_ = false;  ///< device_ is the shared device, not opened yet
  std::uint32_t dataBytes_ = 0;
  const std::uint8_t* data_ = nullptr;
  int voiceCount_ = 0;
  std::unique_ptr<int[]> voices_;
  WindowHandle window_ = nullptr;
  std::unique_ptr<std::uint8_t[]> image_;
  std::size_t imageSize_ = 0;
  ///@{
  /// The samples at rate_, the rate the device asked for, shared by the voices; null without a
  /// device.
  VoiceSamples samples_;
  int channels_ = 0;
  int rate_ = 0;
  ///@}
};

}  // namespace oru
