// Bitmap files: decoding BMP data into an image's pixel store, the loaders that fetch the data
// from a DataSource, a plain file or its pack, or an embedded resource, and the 8-bit writer.
//
//   Surface picture;
//   if (LoadBitmap(picture, "kani.bmp"))     // kani.bmp, its pack, or a resource
//     RemapToTable(picture, nullptr, 1);     // to the default palette (colour_conversion.h)
//
// Read: 4-bit and 8-bit uncompressed pictures, with or without the 14-byte file header, with a
// 40-byte (or longer) info header and a colour table of colours-used entries (16 or 256 when it
// is 0); rows bottom-up, or top-down when the height is negative. The pixel rows are taken to
// follow the colour table; the file header's pixel offset is not consulted. 1-, 16- and 32-bit
// data take the new size and colours but decode no pixels; 24-bit data is refused.
// Written: 8-bit, 256 colours, the image's header block unchanged.
//
// All return 1 on success and 0 on failure; a failed decode leaves the image unchanged. Data
// from anywhere is checked before the image is touched: headers, colour table and rows must lie
// inside the data (at every depth, decoded or not), the width and height must be non-zero and
// their product must fit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

class Image;

// What the headers of BMP data say, once they have passed the decoder's checks.
struct BitmapHeader {
  int width = 0;
  int height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  int bitCount = 0;
  int colourCount = 0;  // entries of the file's colour table
};

// Reads and checks the headers the way DecodeBitmap does, without touching any image.
bool ReadBitmapHeader(const std::uint8_t* data, std::size_t size, int headerOptional, BitmapHeader& out);

// Decodes size bytes of BMP data. Without the "BM" file header the data is accepted only when
// headerOptional is 1, and then starts with the info header.
int DecodeBitmap(Image& image, const std::uint8_t* data, std::size_t size, int headerOptional);

// Reads name through a DataSource (a pack under the name or its ".dpa" name, the plain file, or
// a resource of resourceType) and decodes it; a file header is required.
int LoadBitmap(Image& image, const char* name, const char* resourceType = nullptr);

// The plain file name (unpacked when it is a pack), or when it does not open, the pack found by
// PackFile::OpenFile(name).
int LoadBitmapFile(Image& image, const char* name);

// The embedded resource (name, type), unpacked when it holds a pack; no file header needed.
int LoadBitmapResource(Image& image, const char* name, const char* type);

// The loaders above followed by the colour-key and palette step: a stored colour key is applied
// again (whatever the load returned) so that the transparent index follows the key colour into
// the new colour table; after a successful load the picture is converted to the default
// palette, which moves the transparent pixels to index 245.
int LoadBitmapFileRemapped(Image& image, const char* name);
int LoadBitmapResourceRemapped(Image& image, const char* name, const char* type);

// Writes an 8-bit BMP: the file header, the image's 1064-byte header block, then the rows bottom
// first, Pitch() bytes each. 0 when the image has no pixel store or the file cannot be written.
int SaveBitmap(Image& image, const char* path);

}  // namespace oru
