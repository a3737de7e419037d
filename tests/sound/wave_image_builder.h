// Builds small RIFF/WAVE images for the sound tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace oru::test {

class WaveImageBuilder {
 public:
  // Starts "RIFF" <size> "WAVE".
  WaveImageBuilder() {
    Raw("RIFF");
    U32(0);
    Raw("WAVE");
  }

  // A chunk with the given tag and body; size overrides the size field (body stays as given).
  WaveImageBuilder& Chunk(const char* tag, const std::vector<std::uint8_t>& body,
                          std::int64_t size = -1, bool pad = true) {
    Raw(tag);
    U32(size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) bytes_.push_back(0);
    return *this;
  }

  // A format chunk for integer PCM; extra bytes are appended after the 16-byte record.
  WaveImageBuilder& Format(int channels, int rate, int bits, std::vector<std::uint8_t> extra = {},
                           int tag = 1, int blockAlign = -1) {
    int align = blockAlign >= 0 ? blockAlign : channels * bits / 8;
    std::vector<std::uint8_t> f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * align);
    Put16(f, align);
    Put16(f, bits);
    f.insert(f.end(), extra.begin(), extra.end());
    return Chunk("fmt ", f);
  }

  WaveImageBuilder& Data(const std::vector<std::uint8_t>& samples, std::int64_t size = -1) {
    return Chunk("data", samples, size);
  }

  // The image with the RIFF size filled in.
  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> out = bytes_;
    std::uint32_t riff = static_cast<std::uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
  }

  static void Put16(std::vector<std::uint8_t>& v, int x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
  }
  static void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
  }

  // 16-bit little-endian samples.
  static std::vector<std::uint8_t> Samples16(const std::vector<int>& values) {
    std::vector<std::uint8_t> v;
    for (int x : values) Put16(v, x);
    return v;
  }

 private:
  void Raw(const char* four) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(four[i]));
  }
  void U32(std::uint32_t x) { Put32(bytes_, x); }

  std::vector<std::uint8_t> bytes_;
};

}  // namespace oru::test
