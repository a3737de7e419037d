// Truncated and corrupted copies of every corpus file through every loader driver. Each variant
// must come back as a failure or a defined partial result; a read outside the data, a leak or
// undefined behaviour shows up when the suite runs under the sanitizers (scripts/sanitize.sh).
// The checks below add what a sanitizer cannot see: truncation that cuts into required data
// is refused, and a refused picture leaves the image as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "fuzz/loaders.h"
#include "oru/data/pack_file.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/surface.h"
#include "oru/sound/wave_file.h"

namespace oru::fuzz {
// Test names and messages show a driver by its name.
void PrintTo(const NamedDriver& driver, std::ostream* out) { *out << driver.name; }
}  // namespace oru::fuzz

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFullSweepLimit = 64 * 1024;
constexpr std::size_t kDenseHead = 4096;
constexpr std::size_t kStride = 1021;
constexpr std::size_t kHeaderBytes = 64;
constexpr std::uint8_t kCorruptValues[] = {0x00, 0x7F, 0x80, 0xFF};

struct Seed {
  std::string name;  // folder/file, for messages
  Bytes bytes;
};

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<Seed>& Seeds() {
  static const std::vector<Seed> seeds = [] {
    std::vector<Seed> out;
    for (const auto& entry :
         fs::recursive_directory_iterator(fs::path(ORU_SOURCE_DIR) / "fuzz" / "corpus"))
      if (entry.is_regular_file())
        out.push_back({entry.path().parent_path().filename().string() + "/" +
                           entry.path().filename().string(),
                       ReadFile(entry.path())});
    std::sort(out.begin(), out.end(), [](const Seed& a, const Seed& b) { return a.name < b.name; });
    return out;
  }();
  return seeds;
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
bool TagAt(const Bytes& b, std::size_t at, const char* tag) {
  return at + 4 <= b.size() &&
         std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

// Where the format's structures start and end: RIFF and MIDI chunks, the parts of a pack and
// of a bitmap. These are the offsets where a loader's bounds checks are most likely off by one.
std::set<std::size_t> Boundaries(const Bytes& b) {
  std::set<std::size_t> at;
  if (TagAt(b, 0, "RIFF") && b.size() >= 12) {
    for (std::size_t p = 12; p + 8 <= b.size();) {
      at.insert(p);
      at.insert(p + 8);
      std::uint64_t next =
          p + 8 + static_cast<std::uint64_t>(Le32(b, p + 4)) + (Le32(b, p + 4) & 1);
      if (next > b.size()) break;
      p = static_cast<std::size_t>(next);
      at.insert(p);
    }
  } else if (TagAt(b, 0, "MThd")) {
    for (std::size_t p = 0; p + 8 <= b.size();) {
      at.insert(p);
      at.insert(p + 8);
      std::uint64_t next = p + 8 + static_cast<std::uint64_t>(Be32(b, p + 4));
      if (next > b.size()) break;
      p = static_cast<std::size_t>(next);
    }
  } else if (TagAt(b, 0, "ORUP") && b.size() >= 36) {
    std::uint64_t p = 16 + static_cast<std::uint64_t>(Le32(b, 12));
    for (std::uint64_t mark :
         {std::uint64_t{16}, p, p + Le32(b, 20), p + Le32(b, 20) + Le32(b, 24)})
      at.insert(mark);
  } else if (b.size() >= 18 && b[0] == 'B' && b[1] == 'M') {
    at.insert(14);
    at.insert(14 + static_cast<std::size_t>(std::min<std::uint32_t>(Le32(b, 14), 1 << 20)));
  }
  at.insert(b.size());
  return at;
}

// The prefix lengths a seed is cut at.
std::vector<std::size_t> PrefixLengths(const Bytes& b) {
  std::set<std::size_t> lengths;
  if (b.size() <= kFullSweepLimit) {
    for (std::size_t n = 0; n <= b.size(); ++n) lengths.insert(n);
  } else {
    for (std::size_t n = 0; n <= kDenseHead; ++n) lengths.insert(n);
    for (std::size_t mark : Boundaries(b))
      for (std::size_t n = mark < 2 ? 0 : mark - 2; n <= mark + 2; ++n)
        if (n <= b.size()) lengths.insert(n);
    for (std::size_t n = 0; n < b.size(); n += kStride) lengths.insert(n);
    lengths.insert(b.size());
  }
  return {lengths.begin(), lengths.end()};
}

// The offsets whose bytes are corrupted: the leading header and the header of every chunk.
std::vector<std::size_t> HeaderOffsets(const Bytes& b) {
  std::set<std::size_t> at;
  for (std::size_t i = 0; i < std::min(b.size(), kHeaderBytes); ++i) at.insert(i);
  for (std::size_t mark : Boundaries(b))
    for (std::size_t i = mark; i < mark + 8 && i < b.size(); ++i) at.insert(i);
  return {at.begin(), at.end()};
}

class LoaderSweep : public testing::TestWithParam<oru::fuzz::NamedDriver> {};

TEST_P(LoaderSweep, EveryPrefixOfEverySeed) {
  const oru::fuzz::Driver run = GetParam().run;
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE(seed.name);
    for (std::size_t n : PrefixLengths(seed.bytes)) {
      // A copy of exactly n bytes, so a read past the prefix is a read past the allocation.
      Bytes prefix(seed.bytes.begin(), seed.bytes.begin() + static_cast<std::ptrdiff_t>(n));
      std::uint8_t none = 0;
      run(n ? prefix.data() : &none, n);
    }
  }
}

TEST_P(LoaderSweep, CorruptedHeaderBytes) {
  const oru::fuzz::Driver run = GetParam().run;
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE(seed.name);
    // Large seeds are corrupted within their first 64 KiB, which holds every header.
    Bytes copy(seed.bytes.begin(), seed.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            seed.bytes.size(), kFullSweepLimit)));
    if (copy.empty()) continue;
    for (std::size_t at : HeaderOffsets(copy)) {
      const std::uint8_t original = copy[at];
      for (std::uint8_t value : kCorruptValues) {
        copy[at] = value;
        run(copy.data(), copy.size());
      }
      copy[at] = original;
    }
  }
}

std::string DriverName(const testing::TestParamInfo<oru::fuzz::NamedDriver>& info) {
  return info.param.name;
}

std::vector<oru::fuzz::NamedDriver> AllDrivers() {
  std::size_t count = 0;
  const oru::fuzz::NamedDriver* drivers = oru::fuzz::Drivers(&count);
  return {drivers, drivers + count};
}

INSTANTIATE_TEST_SUITE_P(Loaders, LoaderSweep, testing::ValuesIn(AllDrivers()), DriverName);

std::vector<const Seed*> SeedsIn(const char* folder) {
  std::vector<const Seed*> out;
  const std::string prefix = std::string(folder) + "/";
  for (const Seed& seed : Seeds())
    if (seed.name.rfind(prefix, 0) == 0) out.push_back(&seed);
  return out;
}

// A pack's areas end the file, so any shorter copy of a pack that unpacks must be refused.
TEST(TruncatedFiles, PacksAreRefused) {
  int packs = 0;
  for (const Seed* seed : SeedsIn("pack")) {
    oru::PackFile full;
    if (!full.OpenMemory(seed->bytes.data(), seed->bytes.size()) || !full.Unpack()) continue;
    ++packs;
    for (std::size_t n : PrefixLengths(seed->bytes)) {
      if (n == seed->bytes.size()) continue;
      Bytes prefix(seed->bytes.begin(), seed->bytes.begin() + static_cast<std::ptrdiff_t>(n));
      oru::PackFile pack;
      EXPECT_FALSE(pack.OpenMemory(prefix.data(), prefix.size()) && pack.Unpack())
          << seed->name << " cut at " << n;
    }
  }
  EXPECT_GT(packs, 0);
}

// A WAVE image cut inside its format or data chunk has lost samples or format: refused.
TEST(TruncatedFiles, WavesCutInsideTheirChunksAreRefused) {
  int waves = 0;
  for (const Seed* seed : SeedsIn("wave")) {
    oru::WaveImageInfo info;
    if (!oru::ParseWaveImage(seed->bytes.data(), seed->bytes.size(), &info)) continue;
    ++waves;
    const std::size_t needed = std::max<std::size_t>(info.formatOffset + info.formatBytes,
                                                     info.dataOffset + info.dataBytes);
    for (std::size_t n : PrefixLengths(seed->bytes)) {
      if (n >= needed) continue;
      Bytes prefix(seed->bytes.begin(), seed->bytes.begin() + static_cast<std::ptrdiff_t>(n));
      oru::WaveImageInfo cut;
      EXPECT_FALSE(oru::ParseWaveImage(prefix.data(), prefix.size(), &cut))
          << seed->name << " cut at " << n;
    }
  }
  EXPECT_GT(waves, 0);
}

// A bitmap cut before the end of its last row is refused, and the picture it was decoded into
// keeps its size and pixels.
TEST(TruncatedFiles, BitmapsCutInsideTheirRowsAreRefusedAndLeaveTheImage) {
  int pictures = 0;
  for (const Seed* seed : SeedsIn("bmp")) {
    oru::BitmapHeader header;
    if (!oru::ReadBitmapHeader(seed->bytes.data(), seed->bytes.size(), 0, header)) continue;
    // Uncompressed rows only: an RLE stream may end at any token boundary (the rest stays 0).
    if (header.compression != 0) continue;
    const std::size_t stride =
        (static_cast<std::size_t>(header.width) * header.bitCount + 31) / 32 * 4;
    const std::size_t rowBytes = (static_cast<std::size_t>(header.width) * header.bitCount + 7) / 8;
    const std::size_t needed =
        seed->bytes.size() - stride + rowBytes;  // the last row's padding may go
    {
      oru::Surface whole;
      if (!oru::DecodeBitmap(whole, seed->bytes.data(), seed->bytes.size(), 0)) continue;
    }
    ++pictures;
    for (std::size_t n : PrefixLengths(seed->bytes)) {
      if (n >= needed) continue;
      Bytes prefix(seed->bytes.begin(), seed->bytes.begin() + static_cast<std::ptrdiff_t>(n));
      oru::Surface picture;
      ASSERT_EQ(picture.Create(3, 2), 1);
      picture.Fill(7);
      EXPECT_EQ(oru::DecodeBitmap(picture, prefix.data(), prefix.size(), 0), 0)
          << seed->name << " cut at " << n;
      EXPECT_EQ(picture.Width(), 3);
      EXPECT_EQ(picture.Height(), 2);
      EXPECT_EQ(picture.PixelAt(2, 1), 7) << seed->name << " cut at " << n;
    }
  }
  EXPECT_GT(pictures, 0);
}

}  // namespace
