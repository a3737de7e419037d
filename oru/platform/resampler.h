/// \file
/// Sample-rate conversion, done once when a sound is loaded so that the mixer's inner loop only
/// adds samples. A windowed-sinc filter (libsamplerate) keeps the images of the original band out
/// of the result: a 5 kHz tone at 22,050 Hz comes out at 48,000 Hz with nothing above the old
/// band more than 70 dB below it, where interpolating linearly left an image only 22 dB down.
#pragma once

#include <cstdint>
#include <vector>

namespace oru {

/// The length a sound of frames frames at inRate has at outRate: frames x outRate / inRate,
/// truncated, and at least one frame. Play speed and length stay those of the file.
std::uint64_t ConvertedFrames(std::uint64_t frames, int inRate, int outRate);

/// Whether libsamplerate converts between the two rates (their ratio lies within 1/256 .. 256).
bool CanResample(int inRate, int outRate);

/// Converts frames frames of interleaved float samples (channels per frame) from inRate to
/// outRate, into exactly ConvertedFrames frames. Equal rates are copied. False (out unchanged)
/// when the rates are not positive or too far apart, or the converter fails.
bool Resample(const float* in, std::uint64_t frames, int channels, int inRate, int outRate,
              std::vector<float>* out);

}  // namespace oru
