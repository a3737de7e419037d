// The default palette layout and colour search.
#include "oru/graphics/palette_table.h"

namespace oru {

PaletteTable::PaletteTable() { LoadSystemColours(); }

void PaletteTable::SetEntry(int index, int red, int green, int blue, int flags) {
  std::uint8_t* e = &entries[static_cast<std::size_t>(index) * 4];
  e[0] = static_cast<std::uint8_t>(blue);
  e[1] = static_cast<std::uint8_t>(green);
  e[2] = static_cast<std::uint8_t>(red);
  e[3] = static_cast<std::uint8_t>(flags);
}

void PaletteTable::LoadSystemColours() {
  std::array<PaletteEntry, kSystemColourCount> system{};
  GetStockPaletteEntries(0, kSystemColourCount, system.data());
  for (int i = 0; i < kSystemColourCount; ++i) {
    const PaletteEntry& p = system[static_cast<std::size_t>(i)];
    const int index = i < 10 ? i : kAppendLimit + (i - 10);
    SetEntry(index, p.red, p.green, p.blue, p.flags);
  }
}

void PaletteTable::AddColourCube() {
  // Red outermost, then blue, then green; the eight corners are the system colours' business.
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 6; ++j) {
      for (int k = 0; k < 6; ++k) {
        if (count >= kEntryCount) break;
        const bool iEdge = i == 0 || i == 5, jEdge = j == 0 || j == 5, kEdge = k == 0 || k == 5;
        if (iEdge && jEdge && kEdge) continue;
        std::uint8_t* e = &entries[static_cast<std::size_t>(count) * 4];
        e[0] = static_cast<std::uint8_t>(j * 51);
        e[1] = static_cast<std::uint8_t>(k * 51);
        e[2] = static_cast<std::uint8_t>(i * 51);
        ++count;
      }
    }
  }
}

int PaletteTable::FindExact(int red, int green, int blue) const {
  for (int i = 0; i < kEntryCount; ++i)
    if (Red(i) == red && Green(i) == green && Blue(i) == blue) return i;
  return -1;
}

void PaletteTable::AddColour(int red, int green, int blue) {
  if (FindExact(red, green, blue) >= 0) return;
  // Bounded below zero too, so a table whose count was set from outside cannot write before
  // its entries.
  if (count < 0 || count >= kAppendLimit) return;
  SetEntry(count, red, green, blue, 0);
  ++count;
}

int PaletteTable::NearestEntry(int red, int green, int blue) const {
  int best = 0;
  int bestDistance = 1 << 24;
  for (int i = 0; i < kEntryCount && bestDistance != 0; ++i) {
    const int dr = Red(i) - red, dg = Green(i) - green, db = Blue(i) - blue;
    const int distance = dr * dr + db * db + dg * dg;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

void PaletteTable::ApplyTo(NativePalette* handle) const {
  std::array<PaletteEntry, kEntryCount> platform;
  for (int i = 0; i < kEntryCount; ++i)
    platform[static_cast<std::size_t>(i)] = PaletteEntry{Red(i), Green(i), Blue(i), Flags(i)};
  SetPaletteEntries(handle, 0, kEntryCount, platform.data());
}

}  // namespace oru
