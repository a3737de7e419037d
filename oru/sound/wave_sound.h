// WaveSound: one sound effect, the whole WAVE file held in memory plus three voices of the
// shared audio device, each holding its own copy of the samples, so that the effect can sound
// up to three times at once.
//
// The game window builds each sound on the primary thread and plays it from the game thread:
//
//   oru::WaveSound crash;                  // uses the shared audio device, opened on first use
//   crash.SetWindow(mainWindow);
//   crash.Load("CRASH.WAV", nullptr);      // pack, plain file or embedded resource
//   ...
//   crash.Play(0);                         // centred; a fourth overlapping play restarts voice 2
//
// Without an audio device, or when voice 0 could not be made, Play hands the whole image to the
// fallback voice, which plays one image at a time (a new play cuts off the previous one). Without
// any device at all every play is silent and returns false; nothing else changes.
//
// Accepted files: RIFF/WAVE holding integer PCM, 8-bit unsigned or 16-bit signed, mono or
// stereo, any rate. The format and data chunks are found by walking the chunk list, so LIST,
// fact or JUNK chunks before or between them are stepped over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "oru/platform/messages.h"

namespace oru {

class AudioMixer;

class WaveSound {
 public:
  static constexpr int kVoicesPerSound = 3;

  // On the shared audio device; in fallback mode when there is none.
  WaveSound();
  // On the given mixer (tests, tools); null means no device at all.
  explicit WaveSound(AudioMixer* device);
  WaveSound(const WaveSound&) = delete;
  WaveSound& operator=(const WaveSound&) = delete;
  ~WaveSound();

  // Remembers the window the sound belongs to. False without a device, or when window is the
  // one already stored. Null keeps the stored window (this device needs no window to play).
  bool SetWindow(WindowHandle window);

  // Load through the data sources (pack, plain file, embedded resource), an embedded resource
  // only, or a plain file only. False when the name is found nowhere (the sound is unchanged),
  // or when the bytes are not a playable WAVE file (the old sound is gone, the new image stays
  // attached without voices).
  bool Load(const char* name, const char* type);
  bool LoadResource(const char* name, const char* type);
  bool LoadFile(const char* name);
  // The same from bytes in memory; the image is copied.
  bool LoadImage(const std::uint8_t* bytes, std::size_t size);

  // Replaces the voices with count new ones (none without an image); a voice that cannot be
  // made stays empty.
  void CreateVoices(int count);
  // Plays the sound once with pan in hundredths of a decibel (0 is centre, negative turns the
  // right side down): on the first voice that is not playing, else by restarting the last one.
  bool Play(std::int32_t pan);
  void DestroyVoices();

  // Sample bytes of the data chunk and where they start in the image (null when not loaded).
  std::uint32_t DataBytes() const { return dataBytes_; }
  const std::uint8_t* Data() const { return data_; }
  const std::uint8_t* Image() const { return image_.get(); }
  std::size_t ImageSize() const { return imageSize_; }
  int VoiceCount() const { return voiceCount_; }
  // The mixer's id of voice i, -1 when that voice is empty or i is out of range.
  int VoiceId(int i) const;
  AudioMixer* Device() const { return device_; }
  WindowHandle Window() const { return window_; }

 private:
  bool TakeImage(std::unique_ptr<std::uint8_t[]> image, std::size_t size);

  AudioMixer* device_ = nullptr;
  std::uint32_t dataBytes_ = 0;
  const std::uint8_t* data_ = nullptr;
  int voiceCount_ = 0;
  std::unique_ptr<int[]> voices_;
  WindowHandle window_ = nullptr;
  std::unique_ptr<std::uint8_t[]> image_;
  std::size_t imageSize_ = 0;
  // Format of the samples, kept from the last successful parse.
  int channels_ = 0, rate_ = 0, bits_ = 0, blockAlign_ = 0;
};

}  // namespace oru
