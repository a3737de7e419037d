/// \file
/// PaletteTable: a plain 256-entry colour table with a fill count, the default palette layout
/// and exact and nearest-colour search.
///
/// The default layout is what a new table followed by AddColourCube holds, and what every new
/// Palette and every surface created from scratch shows:
///
///   entries   0-9    system colours 0-9 of the stock default palette
///   entries  10-217  the 208-colour cube (levels 0, 51, ..., 255 without the eight corners)
///   entries 218-245  black; 245 doubles as the transparent index of converted pictures
///   entries 246-255  system colours 10-19
///
///   PaletteTable table;        // count 10, system colours loaded
///   table.AddColourCube();     // count 218
///   int index = table.NearestEntry(200, 30, 30);
#pragma once

#include <array>
#include <cstdint>

#include "oru/platform/system_palette.h"

namespace oru {

/// A colour table being put together: system colours at both ends, colours appended in
/// between, then applied to a native palette or copied into an image.
class PaletteTable {
 public:
  /// Entries in a table.
  static constexpr int kEntryCount = 256;
  ///@{
  /// AddColour never fills entries from here on: they hold system colours 10-19.
  static constexpr int kAppendLimit = 246;
  static constexpr int kTransparentIndex = 245;
  ///@}

  PaletteTable();

  ///@{
  /// Entries 0-9 and 246-255 from the stock default palette, flags included.
  void LoadSystemColours();
  void AddColourCube();
  ///@}

  ///@{
  /// First index 0..255 with exactly this colour, whatever count is; -1 when none.
  int FindExact(int red, int green, int blue) const;
  /// Appends the colour at count unless it is present anywhere or count has reached 246.
  void AddColour(int red, int green, int blue);
  /// Nearest entry by squared distance over all 256 entries; the lowest index wins ties.
  int NearestEntry(int red, int green, int blue) const;
  /// Sets all 256 entries of the native palette (SetPaletteEntries 0..255).
  void ApplyTo(NativePalette* handle) const;
  ///@}

  /// Channels and flags of entry index (0..255).
  std::uint8_t Red(int index) const { return entries[static_cast<std::size_t>(index) * 4 + 2]; }
  ///@{
  /// Channels and flags of entry index (0..255).
  std::uint8_t Green(int index) const { return entries[static_cast<std::size_t>(index) * 4 + 1]; }
  std::uint8_t Blue(int index) const { return entries[static_cast<std::size_t>(index) * 4]; }
  std::uint8_t Flags(int index) const { return entries[static_cast<std::size_t>(index) * 4 + 3]; }
  ///@}
  /// Sets entry index (0..255); count is not changed.
  void SetEntry(int index, int red, int green, int blue, int flags = 0);

  ///@{
  /// Entries in use, counted from 0; new colours are appended here.
  std::int32_t count = 10;
  /// 256 entries of blue, green, red, flags: the byte order of an image's colour table, so the
  /// 1024 bytes copy into one as they stand.
  std::array<std::uint8_t, kEntryCount * 4> entries{};
  ///@}
};

}  // namespace oru
