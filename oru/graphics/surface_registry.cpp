// The named-surface registry, and the two operations elsewhere that reach it by name.
#include "oru/graphics/surface_registry.h"

#include <cstring>

#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"

namespace oru {

namespace {

// Built with the other static objects at start-up, so it exists before any code asks for it.
SurfaceRegistry& globalRegistry = SurfaceRegistry::Global();

}  // namespace

SurfaceRegistry::SurfaceRegistry() {
  for (auto& surface : surfaces_) surface = std::make_unique<Surface>();
}

SurfaceRegistry& SurfaceRegistry::Global() {
  static SurfaceRegistry registry;
  return registry;
}

int SurfaceRegistry::IndexOf(const char* name) const {
  if (!name) return -1;
  for (int i = 0; i < kSlotCount; ++i)
    if (std::strcmp(names_[static_cast<std::size_t>(i)].data(), name) == 0) return i;
  return -1;
}

Surface* SurfaceRegistry::Find(const char* name) {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : SurfaceAt(i);
}

int SurfaceRegistry::Claim(const char* name) {
  // An empty name would load into a slot that still looks free; a longer one would not fit.
  if (!name || !*name || std::strlen(name) >= kNameSize) return -1;
  int i = IndexOf(name);
  if (i < 0) {
    i = IndexOf("");
    if (i < 0) return -1;
    std::strcpy(names_[static_cast<std::size_t>(i)].data(), name);
  }
  return i;
}

int SurfaceRegistry::LoadBitmap(const char* name, const char* fileName, const char* resourceType) {
  const int i = Claim(name);
  return i < 0 ? 0 : oru::LoadBitmap(*SurfaceAt(i), fileName, resourceType);
}

int SurfaceRegistry::LoadBitmapFile(const char* name, const char* fileName) {
  const int i = Claim(name);
  return i < 0 ? 0 : oru::LoadBitmapFile(*SurfaceAt(i), fileName);
}

int SurfaceRegistry::LoadBitmapResource(const char* name, const char* resourceName,
                                        const char* type) {
  const int i = Claim(name);
  return i < 0 ? 0 : oru::LoadBitmapResource(*SurfaceAt(i), resourceName, type);
}

const char* SurfaceRegistry::NameOf(Surface* surface) {
  if (!surface) return nullptr;
  const std::uint8_t* pixels = surface->Lock();
  surface->Unlock();
  for (int i = 0; i < kSlotCount; ++i) {
    Surface* slot = SurfaceAt(i);
    const std::uint8_t* slotPixels = slot->Lock();
    slot->Unlock();
    if (slotPixels == pixels) return NameAt(i);
  }
  return nullptr;
}

void SurfaceRegistry::RemapAllToPaletteOf(Surface* surface) {
  for (auto& slot : surfaces_)
    if (slot->info) RemapToPaletteOf(*slot, surface, 1);
}

void SurfaceRegistry::RemapAllToTable(const PaletteTable* table) {
  for (auto& slot : surfaces_)
    if (slot->info) RemapToTable(*slot, table, 1);
}

// Image::ShareRegisteredImage and AddRegistryColours live here, beside the registry they read.

int Image::ShareRegisteredImage(const char* name) {
  // "" would find the first free slot, which is not a registered picture.
  if (!name || !*name) return 0;
  Surface* surface = SurfaceRegistry::Global().Find(name);
  if (!surface) return 0;
  ShareImage(surface);
  return 1;
}

void AddRegistryColours(PaletteTable& table) {
  SurfaceRegistry& registry = SurfaceRegistry::Global();
  for (int i = 0; i < registry.SlotCount(); ++i) AddColoursOf(table, registry.SurfaceAt(i));
}

}  // namespace oru
