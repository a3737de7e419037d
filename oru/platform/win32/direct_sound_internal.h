// DirectSound's voices on Windows, for the back end and its tests: the shared device is one of
// these (SharedVoiceDevice in audio_device.h); tests open their own so that closing it leaves
// the shared one alone.
#pragma once

#include <memory>

#include "oru/platform/voice_device.h"

namespace oru::win32 {

class DirectSoundDevice : public VoiceDevice {
 public:
  // Lets go of every buffer and of DirectSound itself; the voices stay, silent and failing.
  virtual void Close() = 0;
};

// A device on the system's default output; null without dsound.dll or without a device.
// Destroying it closes it.
std::unique_ptr<DirectSoundDevice> OpenDirectSound();

}  // namespace oru::win32
