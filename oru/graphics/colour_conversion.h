/// \file
/// Colour conversion: moving an image's pixels and colour table over to another palette, collecting
/// the colours pictures use into a PaletteTable, and the palette text file.
///
///   RemapToTable(picture, nullptr, 1);   // to the default palette; transparent pixels -> 245
///
///   PaletteTable table;                  // a palette that fits a set of pictures
///   AddColoursOf(table, &title);
///   AddColoursOf(table, &sprites);
///   SaveText(table, "game.pal");
///
/// The palette text file holds one line "RR,BB,GG" per entry 0 .. count - 1 (upper-case
/// hexadecimal, red then blue then green), nothing else.
#pragma once

#include "oru/graphics/palette_table.h"

namespace oru {

class Image;
class Surface;

/// Index every converted picture uses for its transparent pixels.
inline constexpr int kConvertedTransparentIndex = 245;

/// Converts image so that its pixel values index table (the default palette when table is
/// null): each colour goes to the table's nearest entry (lowest index on ties), the transparent
/// index to 245; with remapPixels 0 only the colour table changes. Afterwards the colour table
/// and palette are the table's and a set transparent index is 245. No effect without pixels.
void RemapToTable(Image& image, const PaletteTable* table, int remapPixels);

/// The same towards the palette of another surface (the default palette when surface is null or
/// has no pixels): nearest colours by that surface's palette, and its colour table copied.
void RemapToPaletteOf(Image& image, Surface* surface, int remapPixels);

/// Appends to table, in increasing index order, the colours of the values that occur among the
/// surface's pixels, skipping colours the table already holds.
void AddColoursOf(PaletteTable& table, Surface* surface);

/// AddColoursOf for every surface of SurfaceRegistry::Global(), slot 0 first; slots without
/// pixels add nothing.
void AddRegistryColours(PaletteTable& table);

/// Writes entries 0 .. count - 1. 1, or 0 when the file cannot be written.
int SaveText(const PaletteTable& table, const char* path);

/// Reads count lines through a DataSource (plain file, pack or resource) into entries
/// 0 .. count - 1; count is not changed. A line that is missing or does not hold three values
/// leaves its entry as it was. 1, or 0 when the name cannot be opened.
int LoadText(PaletteTable& table, const char* name);

}  // namespace oru
