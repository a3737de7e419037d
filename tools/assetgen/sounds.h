// The game's four sound effects, synthesised as RIFF WAVE files.
//
// Layout written: "RIFF", size, "WAVE", the "fmt " chunk (16 bytes, or 18 with a zero extra-size
// word), then the "data" chunk directly after it. 8-bit samples are unsigned, 16-bit ones signed.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/generator.h"

namespace oru::assetgen {

// "SUCKER1.WAV", "BLEEP04.WAV", "WHISTLE2.WAV", "CRASH.WAV", in that order.
std::vector<GeneratedFile> MakeSounds();

// A WAVE image from samples in [-1, 1], interleaved when stereo.
std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int channels, int rate, int bits,
                                bool longFormatChunk);

}  // namespace oru::assetgen
