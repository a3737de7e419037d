// The system's MIDI synthesizer behind MidiSynth on Windows, for the back end and its tests.
#pragma once

#include <memory>

#include "oru/platform/midi_synth.h"

namespace oru::win32 {

// The MIDI mapper, else output device 0, opened through winmm; null when neither opens (no
// MIDI device, as under Wine without one). Rendering does nothing and warming holds nothing:
// the system plays the notes itself.
std::unique_ptr<MidiSynth> OpenSystemMidiSynth();

}  // namespace oru::win32
