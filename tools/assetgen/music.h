// The game's music, "brello_s.mid", composed from a small score in code and written as a Standard
// MIDI File of format 1.
#pragma once

#include <cstdint>
#include <vector>

namespace oru::assetgen {

std::vector<uint8_t> MakeSong();

}  // namespace oru::assetgen
