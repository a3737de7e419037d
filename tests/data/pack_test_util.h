// Helpers for the data tests: a scratch folder, whole-file reads and writes, and test inputs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace oru::testing_data {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder per test, removed afterwards.
class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path(::testing::TempDir()) /
           (std::string("oru_data_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, Bytes(text.begin(), text.end()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// size bytes drawn from the first `alphabet` byte values.
inline Bytes RandomBytes(std::size_t size, int alphabet, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, alphabet - 1);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(pick(rng));
  return out;
}

// Rows of an 8-bit picture: flat rectangles and bands of a few colours, sprinkled with noise.
inline Bytes PictureLike(int width, int height, unsigned seed, int noisePerMille = 20) {
  std::mt19937 rng(seed);
  Bytes out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v = 16 + (y / 24) % 6;                                            // horizontal bands
      if ((x / 40 + y / 30) % 5 == 0) v = 40 + (x / 40) % 4;                // a checker of blocks
      if ((x - 300) * (x - 300) + (y - 200) * (y - 200) < 90 * 90) v = 90;  // a disc
      if (static_cast<int>(rng() % 1000) < noisePerMille) v = static_cast<int>(rng() % 256);
      out[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(v);
    }
  }
  return out;
}

}  // namespace oru::testing_data
