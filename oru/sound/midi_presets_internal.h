// The presets a song can select: what a synthesizer must have loaded before the song plays, so
// that no program change has to load samples while the music runs.
#pragma once

#include <vector>

#include "oru/sound/midi_out.h"
#include "oru/sound/midi_song.h"

namespace oru {

// Every (bank, program) pair a channel of the song selects, in bank then program order without
// repeats: each program change with the bank its channel last selected (controller 0), also
// taken from bank 0 (where a synthesizer looks when the bank is missing, or ignores bank selects
// after a General MIDI reset); channel 10 plays the drum kits of bank 128. Program 0 of bank 0
// (drum kit 0 on channel 10), which every channel starts with and returns to on a reset, only
// when the channel plays a note with no program change since the start or the last
// system-exclusive message: the piano alone holds megabytes of samples.
std::vector<MidiPreset> MidiPresetsOf(const MidiSong& song);

}  // namespace oru
