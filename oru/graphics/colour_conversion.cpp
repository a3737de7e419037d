// Palette remapping, colour collection and the palette text file.
#include "oru/graphics/colour_conversion.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "oru/data/data_source.h"
#include "oru/graphics/surface.h"
#include "oru/platform/files.h"

namespace oru {
namespace {

using IndexMap = std::array<std::uint8_t, 256>;

void ApplyMap(Image& image, const IndexMap& map) {
  std::uint8_t* pixels = image.Lock();
  if (!pixels) return;
  const int pitch = image.Pitch(), width = image.Width(), height = image.Height();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * pitch;
    for (int x = 0; x < width; ++x) row[x] = map[row[x]];
  }
  image.Unlock();
}

// Steps shared by both conversions once the map is known: pixels, colour table, transparent
// index, palette, and a fresh store that keeps the picture.
void FinishRemap(Image& image, const IndexMap& map, const std::uint8_t* newColours,
                 int remapPixels) {
  if (remapPixels) ApplyMap(image, map);
  std::memcpy(image.colourTable, newColours, 1024);
  if (image.transparentIndex >= 0) image.transparentIndex = kConvertedTransparentIndex;
  image.EnsurePalette()->SetFromInfo(*image.info);
  image.Create(image.Width(), image.Height());
}

bool HasPixels(Image& image) {
  std::uint8_t* pixels = image.Lock();
  if (pixels) image.Unlock();
  return pixels != nullptr && image.info != nullptr && image.colourTable != nullptr;
}

int ClampedCount(const PaletteTable& table) {
  return table.count < 0                           ? 0
         : table.count > PaletteTable::kEntryCount ? PaletteTable::kEntryCount
                                                   : table.count;
}

}  // namespace

void RemapToTable(Image& image, const PaletteTable* table, int remapPixels) {
  if (!HasPixels(image)) return;
  std::unique_ptr<PaletteTable> defaultTable;
  if (!table) {
    defaultTable = std::make_unique<PaletteTable>();
    defaultTable->AddColourCube();
    table = defaultTable.get();
  }
  IndexMap map;
  for (int v = 0; v < 256; ++v) {
    const std::uint8_t* e = image.colourTable + v * 4;
    map[v] = v == image.transparentIndex
                 ? kConvertedTransparentIndex
                 : static_cast<std::uint8_t>(table->NearestEntry(e[2], e[1], e[0]));
  }
  FinishRemap(image, map, table->entries.data(), remapPixels);
}

void RemapToPaletteOf(Image& image, Surface* surface, int remapPixels) {
  if (!HasPixels(image)) return;
  std::unique_ptr<Surface> stand_in;
  if (!surface || !HasPixels(*surface) || !surface->palette) {
    stand_in = std::make_unique<Surface>();
    stand_in->Create(1, 1);
    surface = stand_in.get();
  }
  IndexMap map;
  for (int v = 0; v < 256; ++v) {
    const std::uint8_t* e = image.colourTable + v * 4;
    const std::uint32_t rgb = e[2] | (std::uint32_t{e[1]} << 8) | (std::uint32_t{e[0]} << 16);
    map[v] = v == image.transparentIndex
                 ? kConvertedTransparentIndex
                 : static_cast<std::uint8_t>(surface->palette->NearestIndex(rgb));
  }
  std::array<std::uint8_t, 1024> colours;
  std::memcpy(colours.data(), surface->colourTable, colours.size());  // surface may be image itself
  FinishRemap(image, map, colours.data(), remapPixels);
}

void AddColoursOf(PaletteTable& table, Surface* surface) {
  if (!surface) return;
  std::uint8_t* pixels = surface->Lock();
  if (!pixels) return;
  std::array<bool, 256> used{};
  const int pitch = surface->Pitch(), width = surface->Width(), height = surface->Height();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * pitch;
    for (int x = 0; x < width; ++x) used[row[x]] = true;
  }
  surface->Unlock();
  if (!surface->colourTable) return;
  for (int v = 0; v < 256 && table.count <= 255; ++v) {
    if (!used[v]) continue;
    const std::uint8_t* e = surface->colourTable + v * 4;
    table.AddColour(e[2], e[1], e[0]);
  }
}

// AddRegistryColours is in surface_registry.cpp, beside the registry.

int SaveText(const PaletteTable& table, const char* path) {
  if (!path) return 0;
  // Binary: the same bytes (LF line ends) on every system.
  std::FILE* file = OpenFileStream(path, "wb");
  if (!file) return 0;
  bool ok = true;
  const int count = ClampedCount(table);
  for (int i = 0; i < count && ok; ++i)
    ok = std::fprintf(file, "%02X,%02X,%02X\n", table.Red(i), table.Blue(i), table.Green(i)) > 0;
  ok = std::fclose(file) == 0 && ok;
  return ok ? 1 : 0;
}

int LoadText(PaletteTable& table, const char* name) {
  DataSource source;
  if (!source.Open(name)) return 0;
  const int count = ClampedCount(table);
  char line[100];
  for (int i = 0; i < count; ++i) {
    if (!source.GetLine(line, sizeof line)) break;
    unsigned red = 0, blue = 0, green = 0;
    if (std::sscanf(line, "%2x,%2x,%2x", &red, &blue, &green) != 3) continue;
    table.SetEntry(i, static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue),
                   table.Flags(i));
  }
  return 1;
}

}  // namespace oru
