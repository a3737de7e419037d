// Sample-rate conversion without libsamplerate: a Kaiser-windowed sinc filter of our own.
//
// DirectSound plays every sound at its own rate, so the Windows back end converts only where a
// caller asks for another rate explicitly (a mixer of a tool's or test's own). The filter keeps
// the promise of resampler.h all the same: its cut-off sits just below the narrower Nyquist
// frequency, 24 zero crossings a side under a Kaiser window (beta 9) put the stop band about
// 90 dB down, and the kernel is read from a table of 512 points a zero crossing, linearly
// interpolated (an error near -100 dB). Each output frame weighs about 50 input frames when
// converting up, more when converting down.
#include "oru/platform/resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <new>

namespace oru {
namespace {

constexpr int kZeroCrossings = 24;
constexpr int kTableSteps = 512;  // table points between two zero crossings
constexpr double kBeta = 9.0;
// The pass band ends this far below the narrower Nyquist frequency, leaving the filter room to
// fall before it.
constexpr double kCutoff = 0.94;
constexpr double kMaxRatio = 256.0;
constexpr double kPi = 3.14159265358979323846;

// The modified Bessel function of order 0, by its power series.
double BesselI0(double x) {
  double sum = 1.0, term = 1.0;
  const double half = x / 2.0;
  for (int k = 1; k < 60 && term > sum * 1e-17; ++k) {
    term *= (half / k) * (half / k);
    sum += term;
  }
  return sum;
}

// The windowed sinc from 0 to kZeroCrossings zero crossings, kTableSteps points apart, and one
// point past the end (zero) so that interpolating never reads past the table.
const std::vector<double>& Kernel() {
  static std::vector<double> table;
  static std::once_flag once;
  std::call_once(once, [] {
    const int points = kZeroCrossings * kTableSteps;
    table.resize(static_cast<std::size_t>(points) + 2, 0.0);
    const double norm = BesselI0(kBeta);
    for (int i = 0; i <= points; ++i) {
      const double x = static_cast<double>(i) / kTableSteps;  // in zero crossings
      const double r = x / kZeroCrossings;
      const double window = BesselI0(kBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
      const double sinc = i == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
      table[static_cast<std::size_t>(i)] = sinc * window;
    }
    table[static_cast<std::size_t>(points)] = 0.0;
  });
  return table;
}

}  // namespace

std::uint64_t ConvertedFrames(std::uint64_t frames, int inRate, int outRate) {
  if (inRate <= 0 || outRate <= 0) return 0;
  return std::max<std::uint64_t>(
      1, frames * static_cast<std::uint64_t>(outRate) / static_cast<std::uint64_t>(inRate));
}

bool CanResample(int inRate, int outRate) {
  if (inRate <= 0 || outRate <= 0) return false;
  const double ratio = static_cast<double>(outRate) / inRate;
  return ratio >= 1.0 / kMaxRatio && ratio <= kMaxRatio;
}

bool Resample(const float* in, std::uint64_t frames, int channels, int inRate, int outRate,
              std::vector<float>* out) {
  if (in == nullptr || frames == 0 || channels <= 0 || !CanResample(inRate, outRate)) return false;
  const std::uint64_t outFrames = ConvertedFrames(frames, inRate, outRate);
  if (frames > LONG_MAX || outFrames > LONG_MAX) return false;
  std::vector<float> converted;
  std::vector<double> sums;
  try {
    converted.assign(outFrames * static_cast<std::uint64_t>(channels), 0.0f);
    sums.assign(static_cast<std::size_t>(channels), 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (inRate == outRate) {
    std::copy(in, in + frames * static_cast<std::uint64_t>(channels), converted.begin());
    out->swap(converted);
    return true;
  }
  const std::vector<double>& kernel = Kernel();
  // The filter's cut-off in cycles per input frame, and how many input frames one zero
  // crossing spans: converting down stretches the kernel to cut at the new Nyquist frequency.
  const double scale = std::min(1.0, static_cast<double>(outRate) / inRate) * kCutoff;
  const double halfWidth = kZeroCrossings / scale;  // input frames either side
  const auto last = static_cast<std::int64_t>(frames) - 1;
  for (std::uint64_t n = 0; n < outFrames; ++n) {
    // The exact place of output frame n in the input, kept exact by integer arithmetic.
    const double t = static_cast<double>(n * static_cast<std::uint64_t>(inRate)) / outRate;
    const auto first =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(t - halfWidth)));
    const auto end =
        std::min<std::int64_t>(last, static_cast<std::int64_t>(std::floor(t + halfWidth)));
    std::fill(sums.begin(), sums.end(), 0.0);
    for (std::int64_t j = first; j <= end; ++j) {
      const double at = std::fabs(t - static_cast<double>(j)) * scale * kTableSteps;
      const auto index = static_cast<std::size_t>(at);
      if (index >= kernel.size() - 1) continue;
      const double frac = at - static_cast<double>(index);
      const double weight = kernel[index] + (kernel[index + 1] - kernel[index]) * frac;
      const float* frame =
          in + static_cast<std::uint64_t>(j) * static_cast<std::uint64_t>(channels);
      for (int c = 0; c < channels; ++c) sums[static_cast<std::size_t>(c)] += weight * frame[c];
    }
    float* o = converted.data() + n * static_cast<std::uint64_t>(channels);
    for (int c = 0; c < channels; ++c)
      o[c] = static_cast<float>(sums[static_cast<std::size_t>(c)] * scale);
  }
  out->swap(converted);
  return true;
}

}  // namespace oru
