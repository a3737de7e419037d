/// \file
/// Native palettes: the platform's palette entry, the palette object itself (a plain 256-entry
/// table here, as Linux has no palette service) and the stock default palette, whose 20 static
/// system colours every 8-bit display reserves, 10 at the bottom and 10 at the top.
#pragma once

#include <array>
#include <cstdint>

namespace oru {

/// A native palette entry, in the platform's order (red first).
struct PaletteEntry {
  /// Red, 0..255.
  std::uint8_t red = 0;
  /// Green, 0..255.
  std::uint8_t green = 0;
  /// Blue, 0..255.
  std::uint8_t blue = 0;
  /// Flags of the entry, kept as given.
  std::uint8_t flags = 0;
};
static_assert(sizeof(PaletteEntry) == 4);

/// A native palette object. Logical palettes of this library always have 256 entries.
struct NativePalette {
  /// Entries in use.
  int entryCount = 256;
  /// The colours.
  std::array<PaletteEntry, 256> entries{};
};

/// Colours the system keeps: 10 at each end of the palette.
inline constexpr int kSystemColourCount = 20;

/// The stock default palette's 20 colours as red, green, blue, flags.
inline constexpr std::array<PaletteEntry, kSystemColourCount> kStockDefaultPalette = {{
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
}};

/// Copies up to count entries of the stock default palette from start into out; returns how many
/// were copied (GetPaletteEntries on the stock object).
inline int GetStockPaletteEntries(int start, int count, PaletteEntry* out) {
  int copied = 0;
  for (int i = start; i < start + count && i >= 0 && i < kSystemColourCount; ++i)
    out[copied++] = kStockDefaultPalette[static_cast<std::size_t>(i)];
  return copied;
}

/// GetPaletteEntries / SetPaletteEntries on a native palette; both clip to the palette's entries
/// and return the number of entries handled.
inline int GetPaletteEntries(const NativePalette* palette, int start, int count,
                             PaletteEntry* out) {
  if (!palette || start < 0 || count <= 0 || start >= palette->entryCount) return 0;
  if (count > palette->entryCount - start) count = palette->entryCount - start;
  for (int i = 0; i < count; ++i) out[i] = palette->entries[static_cast<std::size_t>(start + i)];
  return count;
}

/// Sets up to count entries of palette from start; returns how many were set (0 for a null
/// palette or a start outside it).
inline int SetPaletteEntries(NativePalette* palette, int start, int count, const PaletteEntry* in) {
  if (!palette || start < 0 || count <= 0 || start >= palette->entryCount) return 0;
  if (count > palette->entryCount - start) count = palette->entryCount - start;
  for (int i = 0; i < count; ++i) palette->entries[static_cast<std::size_t>(start + i)] = in[i];
  return count;
}

}  // namespace oru
