// An 8-bit image with padding after each row, so that writes past the width show up, and the
// questions drawing tests ask of it: a pixel, how many have a value, the box around them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "oru/platform/messages.h"

namespace oru::test {

template <int Width, int Height, int Pitch>
struct PaddedPixels {
  static constexpr int kWidth = Width;
  static constexpr int kHeight = Height;
  static constexpr int kPitch = Pitch;
  static constexpr std::uint8_t kPad = 0xEE;

  PaddedPixels() : bytes(kPitch * kHeight, 0) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = kWidth; x < kPitch; ++x) bytes[y * kPitch + x] = kPad;
    }
  }
  std::uint8_t At(int x, int y) const { return bytes[y * kPitch + x]; }
  int Count(std::uint8_t value) const {
    int n = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) n += At(x, y) == value;
    }
    return n;
  }
  bool PaddingIntact() const {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = kWidth; x < kPitch; ++x) {
        if (At(x, y) != kPad) return false;
      }
    }
    return true;
  }
  // The smallest rectangle holding every pixel of the value; left > right when there is none.
  Rect BoxOf(std::uint8_t value) const {
    Rect box{kWidth, kHeight, 0, 0};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (At(x, y) != value) continue;
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
    }
    return box;
  }

  std::vector<std::uint8_t> bytes;
};

}  // namespace oru::test
