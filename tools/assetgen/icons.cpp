// The desktop icons: the crab fitted to each size, and small PNG and ICO writers.
#include "tools/assetgen/icons.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "tools/assetgen/art.h"
#include "tools/assetgen/little_endian.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {
namespace {

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
};

Box DrawnArea(const Picture& p) {
  Box box{p.Width(), p.Height(), 0, 0};
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (p.At(x, y) != kKey) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  if (box.right <= box.left) return {0, 0, 0, 0};
  return box;
}

// PNG stores its numbers big-endian.
void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutBig32(out, static_cast<uint32_t>(crc));
}

}  // namespace

Picture CrabIconSource() { return DrawCrab().Crop(0, 0, 40, 40, kKey); }

IconImage MakeIcon(const Picture& source, int size) {
  IconImage icon;
  icon.size = size;
  icon.rgba.assign(static_cast<size_t>(size) * size * 4, 0);
  const Box box = DrawnArea(source);
  const int w = box.right - box.left, h = box.bottom - box.top;
  if (size <= 0 || w <= 0 || h <= 0) return icon;
  const int inner = size - 2 * std::max(1, size / 16);
  double scale = static_cast<double>(inner) / std::max(w, h);
  if (scale >= 2.0) scale = static_cast<int>(scale);  // whole pixels: crisp
  // Whole-pixel offsets, so a whole-number enlargement puts every crab pixel on icon pixels.
  const double left = std::floor((size - w * scale) / 2.0),
               top = std::floor((size - h * scale) / 2.0);
  const std::array<Rgb, 256>& colours = DefaultColours();
  constexpr int kSamples = 4;  // per axis
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int r = 0, g = 0, b = 0, covered = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double fx = (x + (sx + 0.5) / kSamples - left) / scale;
          const double fy = (y + (sy + 0.5) / kSamples - top) / scale;
          if (fx < 0 || fy < 0 || fx >= w || fy >= h) continue;
          const uint8_t c =
              source.At(box.left + static_cast<int>(fx), box.top + static_cast<int>(fy));
          if (c == kKey) continue;
          r += colours[c].r;
          g += colours[c].g;
          b += colours[c].b;
          ++covered;
        }
      }
      if (covered == 0) continue;
      uint8_t* out = &icon.rgba[(static_cast<size_t>(y) * size + x) * 4];
      out[0] = static_cast<uint8_t>(r / covered);
      out[1] = static_cast<uint8_t>(g / covered);
      out[2] = static_cast<uint8_t>(b / covered);
      out[3] = static_cast<uint8_t>(covered * 255 / (kSamples * kSamples));
    }
  }
  return icon;
}

std::vector<uint8_t> EncodePng(const IconImage& icon) {
  const size_t rowBytes = static_cast<size_t>(icon.size) * 4;
  // Each row starts with its filter type; 0 stores the bytes as they are.
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * icon.size);
  for (int y = 0; y < icon.size; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), icon.rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
               icon.rgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    return {};
  packed.resize(packedSize);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(icon.size));
  PutBig32(header, static_cast<uint32_t>(icon.size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

std::vector<uint8_t> EncodeIco(const std::vector<IcoPicture>& pictures) {
  std::vector<uint8_t> ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, static_cast<uint32_t>(pictures.size()));
  size_t offset = 6 + 16 * pictures.size();
  for (const IcoPicture& p : pictures) {
    const auto side = static_cast<uint8_t>(p.size >= 256 ? 0 : p.size);
    ico.insert(ico.end(), {side, side, 0, 0});
    Put16(ico, 1);
    Put16(ico, 32);
    Put32(ico, static_cast<uint32_t>(p.png.size()));
    Put32(ico, static_cast<uint32_t>(offset));
    offset += p.png.size();
  }
  for (const IcoPicture& p : pictures) ico.insert(ico.end(), p.png.begin(), p.png.end());
  return ico;
}

namespace {

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (bytes.empty() || !out) {
    *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

bool WriteIcons(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(folder, ec);
  const Picture crab = CrabIconSource();
  std::vector<IcoPicture> icoPictures;
  for (int size : kIconSizes) {
    std::vector<uint8_t> png = EncodePng(MakeIcon(crab, size));
    if (!WriteBytes(fs::path(folder) / ("icon-" + std::to_string(size) + ".png"), png, error))
      return false;
    if (std::find(kIcoSizes.begin(), kIcoSizes.end(), size) != kIcoSizes.end())
      icoPictures.push_back({size, std::move(png)});
  }
  return WriteBytes(fs::path(folder) / "icon.ico", EncodeIco(icoPictures), error);
}

}  // namespace oru::assetgen
