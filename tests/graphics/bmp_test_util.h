// Builds BMP files byte by byte for the bitmap and colour-conversion tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oru/graphics/surface.h"

namespace oru::testing_bmp {

using Bytes = std::vector<std::uint8_t>;

struct BmpSpec {
  int width = 1;
  int height = 1;  // negative: rows stored top-down
  int bits = 8;
  std::uint32_t coloursUsed = 0;
  int coloursWritten = -1;  // -1: as many as the decoder expects
  bool fileHeader = true;
  // 12: the OS/2 core header (16-bit sizes, three-byte colour entries); 16 to 64 other than 40:
  // OS/2 2.x, cut after headerSize bytes; 40 or more: Windows, padded with 0xEE.
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 0;
  Bytes rle;                 // the pixel data when compression is not 0
  int gap = 0;               // bytes of 0xAB between the colour table and the pixels
  bool writeOffset = false;  // the file header's pixel offset: the true one, else 0
  std::vector<Bytes> rows;   // top row first, one value per pixel
};

inline void Put(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Colour entry i of every test file: blue i, green 255 - i, red i * 3, flags 0.
inline std::uint8_t TestBlue(int i) { return static_cast<std::uint8_t>(i); }
inline std::uint8_t TestGreen(int i) { return static_cast<std::uint8_t>(255 - i); }
inline std::uint8_t TestRed(int i) { return static_cast<std::uint8_t>(i * 3); }

inline Bytes MakeBmp(const BmpSpec& s) {
  const int rowsAbs = s.height < 0 ? -s.height : s.height;
  const int stride = ((s.width * s.bits + 31) / 32) * 4;
  const bool core = s.headerSize == 12;
  int colours = s.coloursWritten;
  if (colours < 0)
    colours =
        s.coloursUsed && !core ? static_cast<int>(s.coloursUsed) : (s.bits <= 8 ? 1 << s.bits : 0);
  Bytes out;
  if (s.fileHeader) {
    Put(out, 19778, 2);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);  // the pixel offset, filled in below when asked for
  }
  Put(out, s.headerSize, 4);
  if (core) {
    Put(out, static_cast<std::uint32_t>(s.width), 2);
    Put(out, static_cast<std::uint32_t>(s.height), 2);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(s.bits), 2);
  } else {
    Bytes fields;
    Put(fields, static_cast<std::uint32_t>(s.width), 4);
    Put(fields, static_cast<std::uint32_t>(s.height), 4);
    Put(fields, 1, 2);
    Put(fields, static_cast<std::uint32_t>(s.bits), 2);
    for (std::uint32_t v : {s.compression, 0u, 0u, 0u, s.coloursUsed, 0u}) Put(fields, v, 4);
    for (std::uint32_t i = 0; i + 4 < s.headerSize && i < 4096; ++i)
      out.push_back(i < fields.size() ? fields[i] : std::uint8_t{0xEE});
  }
  for (int i = 0; i < colours; ++i) {
    out.push_back(TestBlue(i));
    out.push_back(TestGreen(i));
    out.push_back(TestRed(i));
    if (!core) out.push_back(0);
  }
  out.insert(out.end(), static_cast<std::size_t>(s.gap), 0xAB);
  if (s.fileHeader && s.writeOffset)
    for (int i = 0; i < 4; ++i) out[10 + i] = static_cast<std::uint8_t>(out.size() >> (8 * i));
  if (s.compression != 0) {
    out.insert(out.end(), s.rle.begin(), s.rle.end());
    return out;
  }
  const int perByte = 8 / (s.bits >= 1 && s.bits <= 8 ? s.bits : 8);
  for (int r = 0; r < rowsAbs; ++r) {
    const int fileRow = s.height < 0 ? r : rowsAbs - 1 - r;  // file order
    Bytes row(static_cast<std::size_t>(stride), 0);
    if (fileRow < static_cast<int>(s.rows.size()) && s.bits <= 8) {
      const Bytes& px = s.rows[static_cast<std::size_t>(fileRow)];
      for (int x = 0; x < s.width && x < static_cast<int>(px.size()); ++x) {
        const int shift = 8 - s.bits * (x % perByte + 1);
        row[static_cast<std::size_t>(x / perByte)] |=
            static_cast<std::uint8_t>((px[x] & ((1 << s.bits) - 1)) << shift);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// width x height values, distinct enough to catch swapped rows or columns.
inline std::vector<Bytes> Pattern(int width, int height, int modulo) {
  std::vector<Bytes> rows(static_cast<std::size_t>(height), Bytes(static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rows[y][x] = static_cast<std::uint8_t>((x * 7 + y * 3 + 1) % modulo);
  return rows;
}

// Everything a failed load must leave alone.
struct ImageSnapshot {
  int width = 0, height = 0, pitch = 0, transparentIndex = 0;
  Bytes pixels, colourTable;
  std::vector<std::uint8_t> paletteBytes;

  static ImageSnapshot Of(Image& image) {
    ImageSnapshot s;
    s.width = image.Width();
    s.height = image.Height();
    s.pitch = image.Pitch();
    s.transparentIndex = image.TransparentIndex();
    if (std::uint8_t* p = image.Lock()) {
      s.pixels.assign(p, p + static_cast<std::size_t>(s.pitch) * s.height);
      image.Unlock();
    }
    if (image.colourTable) s.colourTable.assign(image.colourTable, image.colourTable + 1024);
    if (image.palette) {
      PaletteEntry entries[256];
      image.palette->GetEntries(0, 256, entries);
      const auto* b = reinterpret_cast<const std::uint8_t*>(entries);
      s.paletteBytes.assign(b, b + sizeof entries);
    }
    return s;
  }
  bool operator==(const ImageSnapshot&) const = default;
};

inline std::vector<Bytes> PixelRows(Image& image) {
  std::vector<Bytes> rows;
  std::uint8_t* p = image.Lock();
  if (!p) return rows;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = p + static_cast<std::size_t>(y) * image.Pitch();
    rows.emplace_back(row, row + image.Width());
  }
  image.Unlock();
  return rows;
}

}  // namespace oru::testing_bmp
