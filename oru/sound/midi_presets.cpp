// Collecting the presets a song selects.
#include "oru/sound/midi_presets_internal.h"

#include <algorithm>
#include <array>

namespace oru {

std::vector<MidiPreset> MidiPresetsOf(const MidiSong& song) {
  constexpr int kDrumChannel = 9;
  std::vector<MidiPreset> presets;
  std::array<int, 16> bank{};
  // Whether a program change came since the start or the last system-exclusive message: any of
  // them may be a reset, which returns every channel to its default program.
  std::array<bool, 16> selected{};
  for (int i = 0; i < song.EventCount(); ++i) {
    const MidiEvent& e = song.Entry(i);
    if (e.status == 0xFF) {
      ++i;  // the second half of a tempo pair is no message
      continue;
    }
    if (e.status == 0xF0) {
      selected.fill(false);
      continue;
    }
    const int channel = e.status & 0x0F;
    switch (e.status & 0xF0) {
      case 0x90:
        if (e.data2 != 0 && !selected[channel])
          presets.push_back({channel == kDrumChannel ? kMidiDrumBank : 0, 0});
        break;
      case 0xB0:
        if (e.data1 == 0) bank[channel] = e.data2;
        break;
      case 0xC0:
        selected[channel] = true;
        if (channel == kDrumChannel) {
          presets.push_back({kMidiDrumBank, e.data1});
        } else {
          presets.push_back({bank[channel], e.data1});
          if (bank[channel] != 0) presets.push_back({0, e.data1});
        }
        break;
      default:
        break;
    }
  }
  std::sort(presets.begin(), presets.end(), [](const MidiPreset& a, const MidiPreset& b) {
    return a.bank != b.bank ? a.bank < b.bank : a.program < b.program;
  });
  presets.erase(std::unique(presets.begin(), presets.end()), presets.end());
  return presets;
}

}  // namespace oru
