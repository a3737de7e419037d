/// \file
/// Bitmap files: decoding BMP data into an image's pixel store, the loaders that fetch the data
/// from a DataSource, a plain file or its pack, or an embedded resource, and the 8-bit writer.
///
///   Surface picture;
///   if (LoadBitmap(picture, "kani.bmp"))     // kani.bmp, its pack, or a resource
///     RemapToTable(picture, nullptr, 1);     // to the default palette (colour_conversion.h)
///
/// Read: 1-, 2-, 4- and 8-bit indexed pictures, uncompressed or RLE8 / RLE4, with or without the
/// 14-byte file header, with the Windows info headers (40, 52, 56, 108 and 124 bytes) and the OS/2
/// ones (the 12-byte core header with three-byte colour entries, and the 16- to 64-byte second
/// version); rows bottom-up, or top-down when the height is negative (uncompressed only). The
/// colour table holds colours-used entries (2^bits when 0), at most what the bit count indexes;
/// entries the file lacks are black. Pixel data starts at the file header's offset when that lies
/// inside the data at or after the end of the colour table, else right after the table. Refused,
/// with a reason: 16-, 24-, 32- and 64-bit pictures, JPEG or PNG inside BMP, bit fields, OS/2
/// Huffman coding, top-down RLE. The layout and the RLE tokens are described in bitmap_file.cpp.
/// Written: 8-bit, 256 colours, the image's header block unchanged.
///
/// All return 1 on success and 0 on failure, with the reason in LastError() (last_error.h) naming
/// the field or the offset ("RLE8 run at row 12 runs past the end of the data"; rows are counted
/// in file order, 0 being the first row stored). A failed decode leaves the image unchanged. Data
/// from anywhere is checked before the image is touched: headers, colour table and rows must lie
/// inside the data, an RLE stream must read to its end or to a token boundary, the width and
/// height must be non-zero and the store they need at most 256 MiB.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

class Image;

/// What the headers of BMP data say, once they have passed the decoder's checks.
struct BitmapHeader {
  /// Width in pixels.
  int width = 0;
  int height = 0;  ///< positive; topDown tells the row order
  /// True when the first row in the data is the top one.
  bool topDown = false;
  /// Bits per pixel: 1, 2, 4 or 8 (deeper pictures are refused).
  int bitCount = 0;
  int colourCount = 0;  ///< entries taken from the file's colour table
  int compression = 0;  ///< 0 none, 1 RLE8, 2 RLE4
  /// Size in bytes of the info header the data carries (12 for the old core header).
  int infoHeaderSize = 0;
};

/// Reads and checks the headers the way DecodeBitmap does, without touching any image.
bool ReadBitmapHeader(const std::uint8_t* data, std::size_t size, int headerOptional,
                      BitmapHeader& out);

/// Decodes size bytes of BMP data. Without the "BM" file header the data is accepted only when
/// headerOptional is 1, and then starts with the info header.
int DecodeBitmap(Image& image, const std::uint8_t* data, std::size_t size, int headerOptional);

/// Reads name through a DataSource (a pack under the name or its ".dpa" name, the plain file, or
/// a resource of resourceType) and decodes it; a file header is required.
int LoadBitmap(Image& image, const char* name, const char* resourceType = nullptr);

/// The plain file name (unpacked when it is a pack), or when it does not open, the pack found by
/// PackFile::OpenFile(name).
int LoadBitmapFile(Image& image, const char* name);

/// The embedded resource (name, type), unpacked when it holds a pack; no file header needed.
int LoadBitmapResource(Image& image, const char* name, const char* type);

///@{
/// The loaders above followed by the colour-key and palette step: a stored colour key is applied
/// again (whatever the load returned) so that the transparent index follows the key colour into
/// the new colour table; after a successful load the picture is converted to the default
/// palette, which moves the transparent pixels to index 245.
int LoadBitmapFileRemapped(Image& image, const char* name);
int LoadBitmapResourceRemapped(Image& image, const char* name, const char* type);
///@}

/// Writes an 8-bit BMP: the file header, the image's 1064-byte header block, then the rows bottom
/// first, Pitch() bytes each, to a temporary file renamed over path when complete. 0 when the
/// image has no pixel store or the file cannot be written; an old file at path is then intact.
int SaveBitmap(Image& image, const char* path);

}  // namespace oru
