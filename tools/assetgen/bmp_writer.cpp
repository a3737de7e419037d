// BMP encoding for the asset generator.
#include "tools/assetgen/bmp_writer.h"

#include <algorithm>
#include <array>

#include "tools/assetgen/little_endian.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {
namespace {

void PutHeaders(std::vector<uint8_t>& out, const Picture& pic, int bits, uint32_t colours,
                uint32_t rowBytes) {
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(pic.Height());
  const uint32_t offset = 14 + 40 + colours * 4;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(pic.Width()));
  Put32(out, static_cast<uint32_t>(pic.Height()));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

void PutColour(std::vector<uint8_t>& out, Rgb c) {
  out.push_back(c.b);
  out.push_back(c.g);
  out.push_back(c.r);
  out.push_back(0);
}

}  // namespace

std::vector<uint8_t> EncodeBmp8(const Picture& pic) {
  const uint32_t rowBytes = (static_cast<uint32_t>(pic.Width()) + 3u) & ~3u;
  std::vector<uint8_t> out;
  PutHeaders(out, pic, 8, 256, rowBytes);
  for (const Rgb& c : DefaultColours()) PutColour(out, c);
  for (int y = pic.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < pic.Width(); ++x) out.push_back(pic.At(x, y));
    for (uint32_t x = static_cast<uint32_t>(pic.Width()); x < rowBytes; ++x) out.push_back(0);
  }
  return out;
}

std::vector<uint8_t> EncodeBmp4(const Picture& pic) {
  // The table lists the used colours in increasing index order.
  std::array<int, 256> slot;
  slot.fill(-1);
  std::vector<uint8_t> used;
  for (uint8_t v : pic.Pixels()) {
    if (slot[v] < 0) {
      slot[v] = 0;
      used.push_back(v);
    }
  }
  if (used.size() > 16) return {};
  std::sort(used.begin(), used.end());
  for (size_t i = 0; i < used.size(); ++i) slot[used[i]] = static_cast<int>(i);

  const uint32_t rowBytes = ((static_cast<uint32_t>(pic.Width()) * 4u + 31u) / 32u) * 4u;
  std::vector<uint8_t> out;
  PutHeaders(out, pic, 4, static_cast<uint32_t>(used.size()), rowBytes);
  for (uint8_t v : used) PutColour(out, DefaultColours()[v]);
  for (int y = pic.Height() - 1; y >= 0; --y) {
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < pic.Width(); ++x) {
      const uint8_t nibble = static_cast<uint8_t>(slot[pic.At(x, y)]);
      row[static_cast<size_t>(x / 2)] |= (x % 2 == 0) ? static_cast<uint8_t>(nibble << 4) : nibble;
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace oru::assetgen
