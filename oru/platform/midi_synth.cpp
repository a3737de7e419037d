// FluidSynth behind the MIDI output devices.
#include "oru/platform/midi_synth.h"

#include <algorithm>
#include <cstring>

namespace oru {

std::unique_ptr<MidiSynth> MidiSynth::Create(AudioMixer*, const char*) { return nullptr; }

MidiSynth* SharedMidiSynth() { return nullptr; }

bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size) {
  if (size == 0) return false;
  const char* text = deviceId == -1 ? "Oru MIDI Mapper" : deviceId == 0 ? "FluidSynth" : "";
  std::size_t n = std::min({size - 1, std::strlen(text), std::size_t{31}});
  std::memcpy(name, text, n);
  name[n] = '\0';
  return n != 0;
}

std::string FindSoundFont() { return {}; }

}  // namespace oru
