/// \file
/// SurfaceRegistry: 50 named surfaces that live for the whole run, so a picture loaded once under
/// a name can be reached from anywhere by that name.
///
///   SurfaceRegistry::Global().LoadBitmap("crab", "kani.bmp", nullptr);  // claims a slot
///   sprite.ShareRegisteredImage("crab");                                 // draws the same pixels
///   SurfaceRegistry::Global().RemapAllToTable(nullptr);                  // all to the default
/// palette
///
/// A slot is claimed by the first load under a new name (slot order) and keeps its name for the
/// rest of the run, also when the load fails. Names are compared byte for byte and hold at most
/// 31 characters; longer, empty and null names are refused. The registry has no lock: it is
/// meant to be filled while the program starts.
#pragma once

#include <array>
#include <memory>

#include "oru/graphics/surface.h"

namespace oru {

/// Named pictures shared by the whole program: up to kSlotCount surfaces, each under a name
/// of fewer than kNameSize bytes.
class SurfaceRegistry {
 public:
  /// Slots in the registry.
  static constexpr int kSlotCount = 50;
  static constexpr int kNameSize = 32;  ///< bytes, terminator included

  SurfaceRegistry();
  SurfaceRegistry(const SurfaceRegistry&) = delete;
  SurfaceRegistry& operator=(const SurfaceRegistry&) = delete;

  /// The process-wide registry, created empty on first use and deleted at exit.
  static SurfaceRegistry& Global();

  ///@{
  /// The first slot whose name equals name, or -1; IndexOf("") is the first free slot.
  int IndexOf(const char* name) const;
  /// That slot's surface, or null.
  Surface* Find(const char* name);
  /// Claim a slot for name and load into its surface (bitmap_file.h). 1 or the loader's 0;
  /// 0 without loading when the name is refused or no slot is free.
  int LoadBitmap(const char* name, const char* fileName, const char* resourceType);
  int LoadBitmapFile(const char* name, const char* fileName);
  int LoadBitmapResource(const char* name, const char* resourceName, const char* type);
  /// The name of the first slot whose surface's pixels (Lock) are the same as surface's, or
  /// null. A surface without pixels matches the first slot without pixels.
  const char* NameOf(Surface* surface);
  /// Converts every slot surface that has a pixel store, pixels included (colour_conversion.h);
  /// a null table means the default palette.
  void RemapAllToPaletteOf(Surface* surface);
  void RemapAllToTable(const PaletteTable* table);
  ///@}

  /// Slots in the registry: kSlotCount.
  int SlotCount() const { return kSlotCount; }
  /// Name held by slot (0 .. SlotCount() - 1); "" for a free slot.
  const char* NameAt(int slot) const { return names_[static_cast<std::size_t>(slot)].data(); }
  /// Surface of slot (0 .. SlotCount() - 1), or null.
  Surface* SurfaceAt(int slot) { return surfaces_[static_cast<std::size_t>(slot)].get(); }

 private:
  /// The slot for name, claiming a free one for a new name; -1 when refused or full.
  int Claim(const char* name);

  std::array<std::array<char, kNameSize>, kSlotCount> names_{};
  std::array<std::unique_ptr<Surface>, kSlotCount> surfaces_;
};

}  // namespace oru
