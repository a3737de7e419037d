/// \file
/// Palette: the native palette an image is presented with, and the 256-entry logical-palette
/// record it was made from.
///
///   Palette palette;
///   palette.Create(256);                 // default layout: system colours around the cube
///   palette.ApplyTable(table);           // any PaletteTable
///   int index = palette.NearestIndex(0x0000FF);   // 0x00BBGGRR, red in the low byte
///
/// Each Image owns at most one Palette and deletes it with itself.
#pragma once

#include <cstdint>
#include <memory>

#include "oru/graphics/image_info.h"
#include "oru/platform/system_palette.h"

namespace oru {

class PaletteTable;

/// The logical-palette record handed to the platform: entries in red, green, blue, flags order.
struct LogicalPalette {
  /// Record version, 0x300.
  std::uint16_t version = 0x300;
  /// Entries that follow: 256.
  std::uint16_t entryCount = 256;
  /// The colours.
  PaletteEntry entries[256];
};

/// An image's palette: the native palette the platform shows and its logical record.
class Palette {
 public:
  Palette();
  ~Palette();
  Palette(const Palette&) = delete;
  Palette& operator=(const Palette&) = delete;

  ///@{
  /// Creates the native palette with the default layout. 1 on creation, 0 when one already
  /// existed (nothing changes then).
  int Create(int entryCount);
  /// Takes all 256 entries of other's native palette. Returns 1.
  int CopyFrom(const Palette& other);
  /// Reads up to count entries from start; returns the number read (0 without a native palette).
  int GetEntries(int start, int count, PaletteEntry* out) const;
  /// Sets all 256 entries from table. Returns 1.
  int ApplyTable(const PaletteTable& table);
  /// Takes the 256 colour entries of an image's header block. Returns 1.
  int SetFromInfo(const ImageInfo& info);
  /// Nearest entry to rgb (red in bits 0-7, green 8-15, blue 16-23): squared distance over all
  /// 256 entries, lowest index on ties.
  int NearestIndex(std::uint32_t rgb) const;
  NativePalette* Handle() const { return handle.get(); }
  ///@}

  /// The platform's palette; null until Create or CopyFrom.
  std::unique_ptr<NativePalette> handle;
  /// The colours the native palette was made from.
  LogicalPalette logical;
};

}  // namespace oru
