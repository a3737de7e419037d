// The generator's own random numbers: a fixed-seed xorshift generator, so that every run and every
// machine draws the same pictures and sounds.
#pragma once

#include <cstdint>

namespace oru::assetgen {

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}

  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [0, n); n > 0.
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  // Uniform in [lo, hi].
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  // Uniform in [0, 1).
  float Unit() { return static_cast<float>(Next() >> 8) / 16777216.0f; }
  // Uniform in [-1, 1).
  float Signed() { return Unit() * 2.0f - 1.0f; }

 private:
  uint32_t state_;
};

}  // namespace oru::assetgen
