// Synthesis of the game's sound effects.
#include "tools/assetgen/sounds.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/little_endian.h"
#include "tools/assetgen/random.h"

namespace oru::assetgen {
namespace {

constexpr float kTwoPi = 6.28318531f;
constexpr int kRate = 22050;

void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// A one-pole low-pass filter.
struct LowPass {
  float a, y = 0.0f;
  explicit LowPass(float cutoff) : a(1.0f - std::exp(-kTwoPi * cutoff / kRate)) {}
  float operator()(float x) { return y += a * (x - y); }
};

// The hit: a short punchy pop, a sine whose pitch drops fast, with a click of noise on the attack.
std::vector<float> Pop() {
  const int n = kRate * 18 / 100;
  std::vector<float> s(static_cast<size_t>(n));
  Random r(11);
  float phase = 0.0f;
  LowPass click(5000.0f);
  for (int i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float freq = 110.0f + 900.0f * std::exp(-t * 38.0f);
    phase += kTwoPi * freq / kRate;
    const float body = std::sin(phase) * std::exp(-t * 16.0f);
    const float noise = click(r.Signed()) * std::exp(-t * 90.0f) * 1.6f;
    const float attack = std::min(1.0f, t * 2000.0f);
    s[static_cast<size_t>(i)] = std::tanh((body + noise) * 1.6f) * 0.85f * attack;
  }
  return s;
}

// The bleep: two short square-wave notes a fourth apart, rounded at the edges.
std::vector<float> Bleep() {
  const int n = kRate * 12 / 100;
  std::vector<float> s(static_cast<size_t>(n));
  LowPass soften(6000.0f);
  float phase = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float freq = t < 0.05f ? 1318.5f : 1760.0f;
    phase += freq / kRate;
    phase -= std::floor(phase);
    const float square = phase < 0.5f ? 1.0f : -1.0f;
    const float env = std::min(1.0f, t * 400.0f) * std::min(1.0f, (0.12f - t) * 60.0f);
    s[static_cast<size_t>(i)] = soften(square) * env * 0.45f;
  }
  return s;
}

// The mortar's fall: a whistle gliding down over a second, with vibrato and a breath of air.
std::vector<float> Whistle() {
  const int n = kRate * 11 / 10;
  std::vector<float> s(static_cast<size_t>(n));
  Random r(23);
  LowPass air(3000.0f);
  float phase = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float glide = 2400.0f * std::pow(0.28f, t / 1.1f);
    const float freq = glide * (1.0f + 0.012f * std::sin(kTwoPi * 6.0f * t));
    phase += kTwoPi * freq / kRate;
    const float env = std::min(1.0f, t * 20.0f) * std::min(1.0f, (1.1f - t) * 8.0f);
    const float tone = std::sin(phase) + 0.15f * std::sin(2.0f * phase);
    s[static_cast<size_t>(i)] = (tone * 0.5f + air(r.Signed()) * 0.12f) * env;
  }
  return s;
}

// The crash: a deep thump, splintering wood and a rumble of noise, spread in stereo.
std::vector<float> Crash() {
  const int n = kRate * 9 / 10;
  std::vector<float> s(static_cast<size_t>(n) * 2);
  Random r(37);
  LowPass rumbleL(900.0f), rumbleR(900.0f), crackL(4000.0f), crackR(4000.0f);
  float phase = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float freq = 45.0f + 80.0f * std::exp(-t * 20.0f);
    phase += kTwoPi * freq / kRate;
    const float thump = std::sin(phase) * std::exp(-t * 6.0f);
    // Splinters: sparse clicks in the first third of a second.
    const bool splinter =
        t < 0.35f && r.Below(1000) < static_cast<int>(60.0f * std::exp(-t * 8.0f));
    const float crackIn = splinter ? r.Signed() * 3.0f : 0.0f;
    const float l = rumbleL(r.Signed()) * std::exp(-t * 4.5f) * 1.4f +
                    crackL(crackIn + r.Signed() * 0.3f * std::exp(-t * 25.0f));
    const float rr = rumbleR(r.Signed()) * std::exp(-t * 4.5f) * 1.4f +
                     crackR(crackIn * 0.8f + r.Signed() * 0.3f * std::exp(-t * 25.0f));
    const float attack = std::min(1.0f, t * 1500.0f);
    s[static_cast<size_t>(i) * 2] = std::tanh((thump + l) * 1.3f) * 0.8f * attack;
    s[static_cast<size_t>(i) * 2 + 1] = std::tanh((thump + rr) * 1.3f) * 0.8f * attack;
  }
  return s;
}

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int channels, int rate, int bits,
                                bool longFormatChunk) {
  const uint32_t bytesPerSample = static_cast<uint32_t>(bits / 8);
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size()) * bytesPerSample;
  const uint32_t pad = dataBytes & 1u;  // chunks are word aligned
  const uint32_t fmtBytes = longFormatChunk ? 18 : 16;
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 4 + 8 + fmtBytes + 8 + dataBytes + pad);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, fmtBytes);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(channels));
  Put32(out, static_cast<uint32_t>(rate));
  Put32(out, static_cast<uint32_t>(rate) * static_cast<uint32_t>(channels) * bytesPerSample);
  Put16(out, static_cast<uint32_t>(channels) * bytesPerSample);
  Put16(out, static_cast<uint32_t>(bits));
  if (longFormatChunk) Put16(out, 0);
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (float v : samples) {
    const float c = std::clamp(v, -1.0f, 1.0f);
    if (bits == 8) {
      out.push_back(static_cast<uint8_t>(std::lround(c * 127.0f) + 128));
    } else {
      Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767.0f))));
    }
  }
  if (pad) out.push_back(bits == 8 ? 128 : 0);
  return out;
}

std::vector<GeneratedFile> MakeSounds() {
  return {
      {"SUCKER1.WAV", EncodeWave(Pop(), 1, kRate, 16, false)},
      {"BLEEP04.WAV", EncodeWave(Bleep(), 1, kRate, 8, false)},
      {"WHISTLE2.WAV", EncodeWave(Whistle(), 1, kRate, 16, true)},
      {"CRASH.WAV", EncodeWave(Crash(), 2, kRate, 16, false)},
  };
}

}  // namespace oru::assetgen
