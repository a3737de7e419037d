/// \file
/// The one audio device of the process. Sound effects play on its voices (voice_device.h); where
/// the back end mixes for itself (SDL: float stereo at the device's rate, whose callback runs the
/// shared AudioMixer on SDL's audio thread) the MIDI synthesizer renders into the same mixer.
/// Where the system keeps the voices (Windows: DirectSound buffers at each sound's own rate)
/// there is no mixer, and the system's MIDI synthesizer plays the music.
///
///   oru::VoiceDevice* voices = oru::SharedVoiceDevice();   // opens the device on first use
///   if (voices) ...                                         // null: no device, everything silent
#pragma once

#include "oru/platform/audio_mixer.h"
#include "oru/platform/voice_device.h"

namespace oru {

/// The shared device's voices, opened on the first call. Null when there is no device; later
/// calls do not retry.
VoiceDevice* SharedVoiceDevice();

/// The shared device's mixer, opened on the first call (SDL audio, float stereo at the device's
/// rate, 512-frame buffers). Null when there is no device, and where the back end does not mix
/// (Windows); later calls do not retry. The audio thread asks for real-time scheduling and runs
/// on as it is when that is refused.
AudioMixer* SharedAudioMixer();

/// Closes the shared device, if it was opened, and so ends the system's audio thread. The voices
/// stay: sounds may still be played on them, unheard. For the end of the run
/// (EndServiceThreads).
void CloseSharedAudioDevice();

}  // namespace oru
