// The one audio device of the process: SDL audio, float stereo at the device's rate, whose
// callback runs the shared AudioMixer (audio_mixer.h) on SDL's audio thread.
//
//   oru::AudioMixer* mixer = oru::SharedAudioMixer();   // opens the device on first use
//   if (mixer) ...                                       // null: no device, everything silent
#pragma once

#include "oru/platform/audio_mixer.h"

namespace oru {

// The shared device's mixer, opened on the first call (SDL audio, float stereo at the device's
// rate, 512-frame buffers). Null when there is no device; later calls do not retry. The audio
// thread asks for real-time scheduling and runs on as it is when that is refused.
AudioMixer* SharedAudioMixer();

// Closes the shared device, if it was opened, and so ends SDL's audio thread. The mixer stays:
// sounds may still be played into it, unheard. For the end of the run (EndServiceThreads).
void CloseSharedAudioDevice();

}  // namespace oru
