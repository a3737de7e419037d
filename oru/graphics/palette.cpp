// Native palettes over the platform's palette objects.
#include "oru/graphics/palette.h"

#include <array>

#include "oru/graphics/palette_table.h"

namespace oru {

Palette::Palette() {
  for (PaletteEntry& e : logical.entries) e = PaletteEntry{};
}

Palette::~Palette() = default;

int Palette::Create(int entryCount) {
  if (handle) return 0;
  if (entryCount < 1 || entryCount > 256) entryCount = 256;
  logical.version = 0x300;
  logical.entryCount = static_cast<std::uint16_t>(entryCount);
  handle = std::make_unique<NativePalette>();
  handle->entryCount = entryCount;
  for (int i = 0; i < entryCount; ++i)
    handle->entries[static_cast<std::size_t>(i)] = logical.entries[i];
  PaletteTable table;
  table.AddColourCube();
  table.ApplyTo(handle.get());
  return 1;
}

int Palette::CopyFrom(const Palette& other) {
  std::array<PaletteEntry, 256> entries{};
  other.GetEntries(0, 256, entries.data());
  Create(256);
  SetPaletteEntries(handle.get(), 0, 256, entries.data());
  return 1;
}

int Palette::GetEntries(int start, int count, PaletteEntry* out) const {
  return GetPaletteEntries(handle.get(), start, count, out);
}

int Palette::ApplyTable(const PaletteTable& table) {
  table.ApplyTo(handle.get());
  return 1;
}

int Palette::SetFromInfo(const ImageInfo& info) {
  std::array<PaletteEntry, 256> entries;
  for (int i = 0; i < 256; ++i) {
    const ColourEntry& c = info.colours[i];
    entries[static_cast<std::size_t>(i)] = PaletteEntry{c.red, c.green, c.blue, c.reserved};
  }
  Create(256);
  SetPaletteEntries(handle.get(), 0, 256, entries.data());
  return 1;
}

int Palette::NearestIndex(std::uint32_t rgb) const {
  const int red = static_cast<int>(rgb & 0xFF);
  const int green = static_cast<int>((rgb >> 8) & 0xFF);
  const int blue = static_cast<int>((rgb >> 16) & 0xFF);
  if (!handle) return 0;
  int best = 0;
  int bestDistance = 1 << 24;
  for (int i = 0; i < handle->entryCount && bestDistance != 0; ++i) {
    const PaletteEntry& e = handle->entries[static_cast<std::size_t>(i)];
    const int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
    const int distance = dr * dr + db * db + dg * dg;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace oru
