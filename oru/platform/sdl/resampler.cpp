// Sample-rate conversion through libsamplerate.
//
// The medium sinc converter (about 97 dB of signal to noise over 90 % of the narrower band) is
// far beyond what the game's effects need, and converts a second of sound in a few
// milliseconds; the best one costs several times that for no audible gain.
#include "oru/platform/resampler.h"

#include <samplerate.h>

#include <algorithm>
#include <climits>
#include <new>

namespace oru {

std::uint64_t ConvertedFrames(std::uint64_t frames, int inRate, int outRate) {
  if (inRate <= 0 || outRate <= 0) return 0;
  return std::max<std::uint64_t>(
      1, frames * static_cast<std::uint64_t>(outRate) / static_cast<std::uint64_t>(inRate));
}

bool CanResample(int inRate, int outRate) {
  if (inRate <= 0 || outRate <= 0) return false;
  return src_is_valid_ratio(static_cast<double>(outRate) / inRate) != 0;
}

bool Resample(const float* in, std::uint64_t frames, int channels, int inRate, int outRate,
              std::vector<float>* out) {
  if (in == nullptr || frames == 0 || channels <= 0 || !CanResample(inRate, outRate)) return false;
  const std::uint64_t outFrames = ConvertedFrames(frames, inRate, outRate);
  if (frames > LONG_MAX || outFrames > LONG_MAX) return false;
  std::vector<float> converted;
  try {
    converted.assign(outFrames * static_cast<std::uint64_t>(channels), 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (inRate == outRate) {
    std::copy(in, in + frames * static_cast<std::uint64_t>(channels), converted.begin());
  } else {
    SRC_DATA data{};
    data.data_in = in;
    data.input_frames = static_cast<long>(frames);
    data.data_out = converted.data();
    data.output_frames = static_cast<long>(outFrames);
    data.src_ratio = static_cast<double>(outRate) / inRate;
    data.end_of_input = 1;
    // Fewer frames than asked for leave silence at the end; the length is what the file says.
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, channels) != 0) return false;
  }
  out->swap(converted);
  return true;
}

}  // namespace oru
