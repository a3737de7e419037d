// Stand-ins for this back end's sound, music and joysticks while they are written: no audio
// device, no synthesizer and no joystick, the silent paths every caller already takes.
#include <cstring>
#include <utility>

#include "oru/platform/audio_device.h"
#include "oru/platform/joystick.h"
#include "oru/platform/midi_synth.h"

namespace oru {

AudioMixer* SharedAudioMixer() { return nullptr; }
void CloseSharedAudioDevice() {}

std::unique_ptr<MidiSynth> MidiSynth::Create(AudioMixer*, const char*, Clock) { return nullptr; }
std::uint64_t MidiSynth::SoundFontReadsOnThisThread() { return 0; }

MidiSynthLoader::MidiSynthLoader(Factory factory) : factory_(std::move(factory)) {}
MidiSynthLoader::~MidiSynthLoader() = default;
void MidiSynthLoader::Start() { state_.store(State::kFailed); }
void MidiSynthLoader::Warm(std::vector<SynthPreset>) { Start(); }
void MidiSynthLoader::WaitUntilSettled() {}
void MidiSynthLoader::StopThread() {}
void MidiSynthLoader::Run() {}

MidiSynthLoader& SharedMidiSynthLoader() {
  static MidiSynthLoader* const loader = new MidiSynthLoader(nullptr);
  return *loader;
}

MidiSynth* SharedMidiSynth() { return nullptr; }

bool MidiSynthDeviceName(int, char* name, std::size_t size) {
  if (name && size) name[0] = '\0';
  return false;
}

std::string FindSoundFont() { return {}; }

unsigned JoyGetDevCaps(unsigned id, JoyCaps* caps, unsigned size) {
  if (id >= kJoystickSlots || !caps || size != sizeof(JoyCaps)) return kJoyBadParameter;
  return kJoyUnplugged;
}
unsigned JoyGetPos(unsigned id, JoyInfo* info) {
  if (id >= kJoystickSlots || !info) return kJoyBadParameter;
  return kJoyUnplugged;
}
bool JoystickStartUp() { return false; }
void SetJoystickSnapshot(unsigned, const JoystickSnapshot&) {}
JoystickSnapshot GetJoystickSnapshot(unsigned) { return {}; }
void SetJoystickRange(unsigned, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void ResetJoysticksForTesting() {}
std::uint16_t AxisToPosition(std::int16_t axis) {
  return static_cast<std::uint16_t>(static_cast<int>(axis) + 32768);
}
std::uint16_t DirectionOverride(std::uint16_t stick, bool lowSide, bool highSide) {
  if (lowSide && !highSide) return 0;
  if (highSide && !lowSide) return 65535;
  return stick;
}

}  // namespace oru
