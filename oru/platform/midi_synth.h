// The software synthesizer behind MIDI output devices -1 (the mapper) and 0: FluidSynth with no
// audio driver of its own, rendered by the shared audio device's mixer on the audio thread.
//
//   oru::MidiSynth* synth = oru::SharedMidiSynth();   // null: no audio device or no SoundFont
//   if (synth) synth->SendShort(0x7F3C90);            // note on, channel 0, key 60, velocity 127
//
// Messages may come from any thread; they travel to the audio thread through a lock-free queue
// and only the audio thread ever calls into FluidSynth after the synthesizer is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oru {

class AudioMixer;

class MidiSynth {
 public:
  // Nanoseconds of a steady clock; messages are stamped with it when sent.
  using Clock = std::int64_t (*)();

  // A synthesizer with the SoundFont at soundFontPath (null or "": found with FindSoundFont),
  // rendering into mixer (null: rendered only by explicit Render calls). Null when FluidSynth
  // or the SoundFont cannot be loaded. Rendered by a mixer, each message sounds at the place in
  // the block that matches when it was sent (clock: null for the steady clock; tests pass
  // their own).
  static std::unique_ptr<MidiSynth> Create(AudioMixer* mixer, const char* soundFontPath,
                                           Clock clock = nullptr);
  virtual ~MidiSynth() = default;

  // A packed channel message (status, data1 << 8, data2 << 16). False for anything else or a
  // full queue.
  virtual bool SendShort(std::uint32_t message) = 0;
  // A system-exclusive body without F0 and F7.
  virtual bool SendSysEx(const std::uint8_t* body, std::size_t length) = 0;
  // All notes off and sustain off on every channel.
  virtual bool Reset() = 0;
  // Adds frames of stereo interleaved output into out (audio thread, or a test without a
  // mixer). Applies queued messages first.
  virtual void Render(float* out, int frames) = 0;
};

// The shared synthesizer of devices -1 and 0, made on first use and kept for the rest of the
// run (loading a SoundFont takes a while). Null when there is no audio device or no SoundFont.
MidiSynth* SharedMidiSynth();

// Product name of a synthesizer device (-1 or 0): false and "" for any other id.
bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size);

// The SoundFont to load: FluidSynth's configured default if that file exists, then
// /usr/share/sounds/sf2/default-GM.sf2, then /usr/share/sounds/sf2/FluidR3_GM.sf2; "" if none.
std::string FindSoundFont();

}  // namespace oru
