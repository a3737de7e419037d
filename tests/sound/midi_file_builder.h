// Builds Standard MIDI File images byte by byte for tests and benchmarks.
//
//   MidiFileBuilder file(480);
//   file.Track(0).Name(0, "Song").Tempo(0, 400000).Note(0, 0x90, 60, 100);
//   file.Track(1).Raw({0x30, 0x80, 60, 0});          // any bytes, malformed ones included
//   std::vector<std::uint8_t> image = file.Bytes();
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace oru::test {

inline void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(groups[--n] | 0x80);
  out.push_back(groups[0]);
}

inline void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  // Byte by byte: GCC 12 at -O3 takes inserting a four-byte list for a read past its end.
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

class MidiTrackBuilder {
 public:
  MidiTrackBuilder& Raw(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  // A channel message (or any status) with its data bytes after delta ticks.
  MidiTrackBuilder& Message(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    AppendVarLen(bytes_, delta);
    return Raw(bytes);
  }
  MidiTrackBuilder& Note(std::uint32_t delta, std::uint8_t status, std::uint8_t key,
                         std::uint8_t velocity) {
    return Message(delta, {status, key, velocity});
  }
  MidiTrackBuilder& Meta(std::uint32_t delta, std::uint8_t type,
                         const std::vector<std::uint8_t>& data) {
    AppendVarLen(bytes_, delta);
    bytes_.push_back(0xFF);
    bytes_.push_back(type);
    AppendVarLen(bytes_, static_cast<std::uint32_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  MidiTrackBuilder& Tempo(std::uint32_t delta, std::uint32_t microseconds) {
    return Meta(
        delta, 0x51,
        {static_cast<std::uint8_t>(microseconds >> 16),
         static_cast<std::uint8_t>(microseconds >> 8), static_cast<std::uint8_t>(microseconds)});
  }
  MidiTrackBuilder& Name(std::uint32_t delta, const std::string& name) {
    return Meta(delta, 0x03, std::vector<std::uint8_t>(name.begin(), name.end()));
  }
  MidiTrackBuilder& Text(std::uint32_t delta, const std::string& text) {
    return Meta(delta, 0x01, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  MidiTrackBuilder& End(std::uint32_t delta) { return Meta(delta, 0x2F, {}); }
  // F0, the body length, then the body (which normally ends with F7).
  MidiTrackBuilder& SysEx(std::uint32_t delta, const std::vector<std::uint8_t>& body) {
    AppendVarLen(bytes_, delta);
    bytes_.push_back(0xF0);
    AppendVarLen(bytes_, static_cast<std::uint32_t>(body.size()));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

class MidiFileBuilder {
 public:
  explicit MidiFileBuilder(std::uint16_t division, std::uint16_t format = 1)
      : division_(division), format_(format) {}

  // Track i, created (empty) together with every track before it.
  MidiTrackBuilder& Track(std::size_t i) {
    if (tracks_.size() <= i) tracks_.resize(i + 1);
    return tracks_[i];
  }

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    AppendBe32(out, 6);
    out.insert(
        out.end(),
        {static_cast<std::uint8_t>(format_ >> 8), static_cast<std::uint8_t>(format_),
         static_cast<std::uint8_t>(tracks_.size() >> 8), static_cast<std::uint8_t>(tracks_.size()),
         static_cast<std::uint8_t>(division_ >> 8), static_cast<std::uint8_t>(division_)});
    for (const MidiTrackBuilder& t : tracks_) {
      out.insert(out.end(), {'M', 'T', 'r', 'k'});
      AppendBe32(out, static_cast<std::uint32_t>(t.Bytes().size()));
      out.insert(out.end(), t.Bytes().begin(), t.Bytes().end());
    }
    return out;
  }

 private:
  std::uint16_t division_;
  std::uint16_t format_;
  std::vector<MidiTrackBuilder> tracks_;
};

}  // namespace oru::test
