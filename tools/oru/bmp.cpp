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
#include "oru/data/last_error.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

// The bytes of in, found the way the game finds an asset; the reason is printed on failure.
bool ReadAsset(const std::string& in, DataSource& source, const std::uint8_t*& data,
               std::size_t& size, std::vector<std::uint8_t>& storage) {
  if (source.Open(in.c_str()) && source.Contents(data, size, storage)) return true;
  Fail("bmp", in, LastError());
  return false;
}

bool Load(const std::string& in, Surface& picture) {
  DataSource source;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::vector<std::uint8_t> storage;
  if (!ReadAsset(in, source, data, size, storage)) return false;
  if (!DecodeBitmap(picture, data, size, 0)) {
    Fail("bmp", in, LastError());
    return false;
  }
  return true;
}

int Save(Surface& picture, const std::string& out) {
  if (!SaveBitmap(picture, out.c_str())) return Fail("bmp", out, LastError());
  return 0;
}

int Info(const std::string& in) {
  DataSource source;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::vector<std::uint8_t> storage;
  if (!ReadAsset(in, source, data, size, storage)) return 1;
  BitmapHeader header;
  Surface picture;
  if (!ReadBitmapHeader(data, size, 0, header) || !DecodeBitmap(picture, data, size, 0))
    return Fail("bmp", in, LastError());
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
  std::printf("width %d height %d bits %d colours %d used %d\n", header.width, header.height,
              header.bitCount, header.colourCount, used);
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

const CommandRegistration kBmp("bmp", "bmp resave IN OUT | bmp remap IN OUT | bmp info IN",
                               &RunBmp);

}  // namespace
}  // namespace oru::tool
