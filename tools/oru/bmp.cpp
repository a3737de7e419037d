// `oru bmp`: loads bitmaps the way the game does and writes them back as 8-bit BMP files.
//
//   oru bmp resave IN OUT   IN through LoadBitmap (a BMP, its pack or a pack under its name),
//                           written unconverted with SaveBitmap
//   oru bmp remap IN OUT    the same, converted to the default palette first
//   oru bmp info IN         one line: width, height, bit depth of the source, colours in its
//                           colour table, and how many different pixel values the picture uses
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

bool ReadAsset(const std::string& name, std::vector<std::uint8_t>& bytes) {
  DataSource source;
  if (!source.Open(name.c_str())) return false;
  bytes.resize(source.Size());
  return source.Read(bytes.data(), bytes.size()) == bytes.size();
}

bool Load(const std::string& in, Surface& picture) {
  std::vector<std::uint8_t> bytes;
  if (!ReadAsset(in, bytes)) {
    std::fprintf(stderr, "oru bmp: cannot read '%s'\n", in.c_str());
    return false;
  }
  if (!DecodeBitmap(picture, bytes.data(), bytes.size(), 0)) {
    std::fprintf(stderr, "oru bmp: '%s' is not a 4-bit or 8-bit BMP picture, or is damaged\n", in.c_str());
    return false;
  }
  return true;
}

int Save(Surface& picture, const std::string& out) {
  if (!SaveBitmap(picture, out.c_str())) {
    std::fprintf(stderr, "oru bmp: cannot write '%s'\n", out.c_str());
    return 1;
  }
  return 0;
}

int Info(const std::string& in) {
  std::vector<std::uint8_t> bytes;
  if (!ReadAsset(in, bytes)) {
    std::fprintf(stderr, "oru bmp: cannot read '%s'\n", in.c_str());
    return 1;
  }
  BitmapHeader header;
  Surface picture;
  if (!ReadBitmapHeader(bytes.data(), bytes.size(), 0, header) ||
      !DecodeBitmap(picture, bytes.data(), bytes.size(), 0)) {
    std::fprintf(stderr, "oru bmp: '%s' is not a BMP picture this library reads, or is damaged\n", in.c_str());
    return 1;
  }
  std::array<bool, 256> seen{};
  int used = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const int v = picture.PixelAt(x, y);
      if (!seen[v]) {
        seen[v] = true;
        ++used;
      }
    }
  std::printf("width %d height %d bits %d colours %d used %d\n", header.width, header.height, header.bitCount,
              header.colourCount, used);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunBmp(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "info") return Info(args[1]);
  if (args.size() != 3 || (args[0] != "resave" && args[0] != "remap")) return Usage("bmp");
  Surface picture;
  if (!Load(args[1], picture)) return 1;
  if (args[0] == "remap") RemapToTable(picture, nullptr, 1);
  return Save(picture, args[2]);
}

const CommandRegistration kBmp("bmp", "bmp resave IN OUT | bmp remap IN OUT | bmp info IN", &RunBmp);

}  // namespace
}  // namespace oru::tool
