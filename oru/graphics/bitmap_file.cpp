// BMP decoding, loading and saving.
#include "oru/graphics/bitmap_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "oru/data/atomic_file.h"
#include "oru/data/byte_reader.h"
#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"
#include "oru/platform/printf_format.h"

namespace oru {
namespace {

// The layout read (all fields little-endian):
//   file header, 14 bytes, optional for resources: "BM", file size, two reserved words, offset of
//     the pixel data from the start of the file;
//   info header, one of
//     12 bytes (OS/2 1.x core header): size, width and height as unsigned 16-bit, planes, bit
//       count; a colour table of three-byte entries (blue, green, red), 2^bits of them, or
//       fewer when the pixel offset lies inside that table: it then ends at the offset;
//     16 to 64 bytes (OS/2 2.x) and 40, 52, 56, 108 or 124 bytes (Windows): size, width, height
//       (negative: rows top-down), planes, bit count, compression, image size, two resolutions,
//       colours used, colours important, then fields this loader does not need; fields a short
//       OS/2 header leaves out read as 0. A colour table of four-byte entries (blue, green, red,
//       flags), colours-used of them (2^bits when 0), never more than the bit count can index;
//   pixel data at the file header's offset when that lies inside the data at or after the end of
//   the colour table, else right after the table: rows of 1, 2, 4 or 8 bits per pixel, each
//   padded to 32 bits, bottom row first unless the height is negative; or an RLE8 / RLE4 stream
//   (see DecodeRle), always bottom-up.
// Colours the table lacks (past colours-used, or past the end of the data) read as black.

constexpr std::uint16_t kBitmapType = 19778;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kPixelOffset = 14 + 40 + 1024;
constexpr std::int64_t kMaxStoreBytes = std::int64_t{1} << 28;  // Image::CreateFromInfo's cap
// An RLE stream may stop early and leave the rest 0, so a few bytes could ask for the whole
// store. Pictures up to 16 MB (4096 x 4096) load whatever their data; larger ones need a byte of
// data for every 256 pixels (a run packs at most 255 pixels in two bytes, so only delta moves and
// an early end pack tighter).
constexpr std::int64_t kRleFreeStoreBytes = std::int64_t{1} << 24;
constexpr std::int64_t kRleStoreBytesPerByte = 256;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5
};

// What the decoder takes from the headers, after every check against the data.
struct BitmapLayout {
  int width = 0;
  int height = 0;  // always positive
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t headerSize = 0;
  std::size_t colourCount = 0;  // entries taken from the file
  std::size_t entrySize = 4;    // 3 for the OS/2 1.x core header
  const std::uint8_t* colours = nullptr;
  const std::uint8_t* pixels = nullptr;
  std::size_t pixelBytes = 0;  // from the pixel data to the end of the data
  std::size_t rowStride = 0;   // bytes between uncompressed rows
};

bool Refuse(const char* format, ...) ORU_PRINTF_FORMAT(1, 2);
bool Refuse(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SetLastError("%s", text);
  return false;
}

bool ParseBitmap(const std::uint8_t* data, std::size_t size, int headerOptional,
                 BitmapLayout& out) {
  if (!data || size == 0) return Refuse("is empty");
  ByteReader in(data, size);
  std::size_t at = 0;
  std::uint32_t pixelOffset = 0;
  bool hasOffset = false;
  if (size >= 2 && in.U16Le() == kBitmapType) {
    in.Skip(8);
    pixelOffset = in.U32Le();
    if (in.Failed())
      return Refuse("is too short for a BMP file header (%zu bytes, 14 needed)", size);
    hasOffset = true;
    at = kFileHeaderSize;
  } else if (headerOptional != 1) {
    if (size >= 5 && std::memcmp(data, "ORUP", 5) == 0)
      return Refuse("is a pack whose content does not unpack");
    return Refuse("is not a BMP file (it does not start with \"BM\")");
  }
  in = ByteReader(data, size);
  in.Seek(at);
  const std::uint32_t headerSize = in.U32Le();
  if (in.Failed()) return Refuse("is too short for a BMP info header (%zu bytes)", size);
  if (headerSize < kCoreHeaderSize || (headerSize > kCoreHeaderSize && headerSize < 16))
    return Refuse("has an info header of %u bytes at offset %zu, too short for any BMP kind",
                  headerSize, at);
  if (headerSize > size - at)
    return Refuse(
        "has an info header of %u bytes at offset %zu, past the end of the data (%zu bytes)",
        headerSize, at, size);

  std::int64_t width = 0, height = 0;
  std::uint32_t bitCount = 0, compression = kRgb, coloursUsed = 0;
  if (headerSize == kCoreHeaderSize) {
    width = in.U16Le();
    height = in.U16Le();
    in.Skip(2);  // planes
    bitCount = in.U16Le();
  } else {
    // The fields every longer header starts with; a short OS/2 2.x header stops part way.
    std::uint8_t fields[36] = {};
    std::memcpy(fields, in.Bytes(headerSize - 4),
                std::min<std::size_t>(headerSize - 4, sizeof fields));
    ByteReader f(fields, sizeof fields);
    width = f.I32Le();
    height = f.I32Le();
    f.Skip(2);  // planes
    bitCount = f.U16Le();
    compression = f.U32Le();
    f.Skip(12);  // image size, resolutions
    coloursUsed = f.U32Le();
  }
  const std::size_t widthAt = at + 4, heightAt = at + (headerSize == kCoreHeaderSize ? 6 : 8);
  const std::size_t bitsAt = at + (headerSize == kCoreHeaderSize ? 10 : 14),
                    compressionAt = at + 16;
  if (width <= 0)
    return Refuse("has a width of %lld at offset %zu; it must be at least 1",
                  static_cast<long long>(width), widthAt);
  if (height == 0) return Refuse("has a height of 0 at offset %zu", heightAt);
  const bool topDown = height < 0;
  const std::int64_t rows = topDown ? -height : height;

  if (compression == kJpeg && bitCount != 24)
    return Refuse("holds a JPEG picture inside the BMP, which is not supported");
  if (compression == kPng)
    return Refuse("holds a PNG picture inside the BMP, which is not supported");
  switch (bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
      break;
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
      return Refuse("%u-bit pictures are not supported (1-, 2-, 4- and 8-bit indexed ones are)",
                    bitCount);
    default:
      return Refuse("has a bit count of %u at offset %zu, which is no BMP depth", bitCount, bitsAt);
  }
  switch (compression) {
    case kRgb:
      break;
    case kRle8:
    case kRle4: {
      const std::uint32_t needed = compression == kRle8 ? 8 : 4;
      if (bitCount != needed)
        return Refuse("RLE%u compression at offset %zu needs %u-bit pixels, not %u-bit", needed,
                      compressionAt, needed, bitCount);
      if (topDown)
        return Refuse("is a top-down RLE%u picture, which the format does not allow", needed);
      break;
    }
    case kBitFields:
      if (bitCount == 1) return Refuse("is Huffman-coded (OS/2), which is not supported");
      return Refuse("has bit-field compression with %u-bit pixels, which is not supported",
                    bitCount);
    default:
      return Refuse("has compression %u at offset %zu, which is not supported", compression,
                    compressionAt);
  }
  // The store holds a row of Pitch() bytes per picture row.
  const std::int64_t pitch = (width + 3) / 4 * 4;
  if (pitch * rows > kMaxStoreBytes)
    return Refuse("is %lld x %lld pixels, more than the %lld bytes a picture may take",
                  static_cast<long long>(width), static_cast<long long>(rows),
                  static_cast<long long>(kMaxStoreBytes));

  // The colour table: colours-used entries (2^bits when 0), never more than the bits index, and
  // only those the data holds.
  const std::size_t indexable = std::size_t{1} << bitCount;
  const std::size_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
  std::size_t declared =
      coloursUsed == 0 || headerSize == kCoreHeaderSize ? indexable : coloursUsed;
  declared = std::min(declared, indexable);
  const std::size_t tableAt = at + headerSize;
  // The core header has no colours-used: writers that keep fewer entries than the bits index
  // say so only through the pixel offset, so an offset inside the full table ends it there.
  if (headerSize == kCoreHeaderSize && hasOffset && pixelOffset >= tableAt &&
      pixelOffset < tableAt + declared * entrySize)
    declared = (pixelOffset - tableAt) / entrySize;
  const std::size_t tableEnd = tableAt + declared * entrySize;
  const std::size_t present = std::min(declared, (size - tableAt) / entrySize);
  // Pixels: at the offset when it lies at or after the table, inside the data.
  std::size_t pixelsAt = tableEnd;
  if (hasOffset && pixelOffset >= tableEnd && pixelOffset < size) pixelsAt = pixelOffset;
  if (pixelsAt >= size)
    return Refuse("has no pixel data: the colour table ends at offset %zu, the data at %zu",
                  tableEnd, size);

  out.width = static_cast<int>(width);
  out.height = static_cast<int>(rows);
  out.topDown = topDown;
  out.bitCount = static_cast<int>(bitCount);
  out.compression = compression;
  out.headerSize = headerSize;
  out.colourCount = present;
  out.entrySize = entrySize;
  out.colours = data + tableAt;
  out.pixels = data + pixelsAt;
  out.pixelBytes = size - pixelsAt;
  out.rowStride = 0;
  if (compression == kRgb) {
    // Every row must be there, so that a few bytes cannot ask for a large store; only the last
    // row may lack its padding.
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(width) * bitCount + 7) / 8;
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(rows - 1) + lastRowBytes;
    if (needed > out.pixelBytes)
      return Refuse(
          "has only %llu of its %lld pixel rows: %llu bytes from offset %zu needed, %zu there",
          static_cast<unsigned long long>(out.pixelBytes / stride), static_cast<long long>(rows),
          static_cast<unsigned long long>(needed), pixelsAt, out.pixelBytes);
    out.rowStride = static_cast<std::size_t>(stride);
  } else if (pitch * rows > kRleFreeStoreBytes &&
             pitch * rows > kRleStoreBytesPerByte * static_cast<std::int64_t>(out.pixelBytes)) {
    return Refuse(
        "is a %lld x %lld RLE%u picture in only %zu bytes of data; more than %lld bytes of pixels "
        "need a byte of data for every %lld",
        static_cast<long long>(width), static_cast<long long>(rows), compression == kRle8 ? 8u : 4u,
        out.pixelBytes, static_cast<long long>(kRleFreeStoreBytes),
        static_cast<long long>(kRleStoreBytesPerByte));
  }
  return true;
}

// An RLE8 or RLE4 stream, bottom row first. Two-byte tokens:
//   n > 0, c     a run of n pixels: c (RLE8), or c's high and low nibble in turn (RLE4);
//   0, 0         end of line: on to the start of the next row up;
//   0, 1         end of the picture;
//   0, 2, dx, dy a move right dx and up dy; the pixels passed over stay 0;
//   0, n >= 3    n pixels follow as they are (bytes, or nibbles high first), padded to an even
//                number of bytes.
// Runs are clipped at the end of the row and rows above the picture are dropped: nothing is ever
// written outside the store. The stream may stop early (end of the picture, or the end of the
// data between two tokens); the rows and pixels it did not reach stay 0. A token cut short by the
// end of the data is an error. With dst null the stream is only checked.
bool DecodeRle(const BitmapLayout& layout, std::uint8_t* dst, int pitch) {
  const bool four = layout.compression == kRle4;
  const char* name = four ? "RLE4" : "RLE8";
  const int width = layout.width, height = layout.height;
  ByteReader in(layout.pixels, layout.pixelBytes);
  int x = 0, line = 0;  // line 0 is the bottom row
  auto row = [&]() { return dst + static_cast<std::size_t>(height - 1 - line) * pitch; };
  while (line < height && !in.AtEnd()) {
    if (!in.Has(2))
      return Refuse("%s token at row %d is cut short by the end of the data", name, line);
    const std::uint8_t n = in.U8(), c = in.U8();
    if (n > 0) {
      const int count = std::min<int>(n, width - x);
      if (dst)
        for (int i = 0; i < count; ++i) row()[x + i] = four ? ((i & 1) ? c & 0x0F : c >> 4) : c;
      x += count;
    } else if (c == 0) {
      x = 0;
      ++line;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (!in.Has(2))
        return Refuse("%s move at row %d is cut short by the end of the data", name, line);
      const int dx = in.U8(), dy = in.U8();
      x = std::min(x + dx, width);
      line = std::min(line + dy, height);
    } else {
      const std::size_t bytes = four ? (c + 1u) / 2 : c;
      const std::uint8_t* src = in.Bytes(bytes);
      if (!src) return Refuse("%s run at row %d runs past the end of the data", name, line);
      in.Skip(std::min<std::size_t>(bytes & 1, in.Remaining()));  // the padding byte
      const int count = std::min<int>(c, width - x);
      if (dst)
        for (int i = 0; i < count; ++i)
          row()[x + i] = four ? ((i & 1) ? src[i / 2] & 0x0F : src[i / 2] >> 4) : src[i];
      x += count;
    }
  }
  return true;
}

// One uncompressed row of 1, 2, 4 or 8 bits per pixel, high bits first.
void UnpackRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bits) {
  if (bits == 8) {
    std::memcpy(dst, src, static_cast<std::size_t>(width));
    return;
  }
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - bits * (x % perByte + 1);
    dst[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & mask);
  }
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int ApplyKeyAndRemap(Image& image, int loaded) {
  if (image.colourKey != -1) image.SetColourKey(image.colourKey);
  if (loaded) RemapToTable(image, nullptr, 1);
  return loaded;
}

}  // namespace

bool ReadBitmapHeader(const std::uint8_t* data, std::size_t size, int headerOptional,
                      BitmapHeader& out) {
  BitmapLayout layout;
  if (!ParseBitmap(data, size, headerOptional, layout)) return false;
  out.width = layout.width;
  out.height = layout.height;
  out.topDown = layout.topDown;
  out.bitCount = layout.bitCount;
  out.colourCount = static_cast<int>(layout.colourCount);
  out.compression = static_cast<int>(layout.compression);
  out.infoHeaderSize = static_cast<int>(layout.headerSize);
  return true;
}

int DecodeBitmap(Image& image, const std::uint8_t* data, std::size_t size, int headerOptional) {
  BitmapLayout layout;
  if (!ParseBitmap(data, size, headerOptional, layout)) return 0;
  // An RLE stream is checked whole before the image is touched.
  if (layout.compression != kRgb && !DecodeRle(layout, nullptr, 0)) return 0;

  ImageInfo* info = nullptr;
  try {
    info = image.MakeInfo(layout.width, layout.height);
  } catch (const std::bad_alloc&) {
    SetLastError("needs more memory for its header block than is available");
    return 0;
  }
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint8_t* e = layout.colours + i * layout.entrySize;
    info->colours[i] =
        i < layout.colourCount
            ? ColourEntry{e[0], e[1], e[2], layout.entrySize == 4 ? e[3] : std::uint8_t{0}}
            : ColourEntry{};
  }
  // The palette takes the file's colours only once the store exists, so a failed creation
  // leaves the image as it was.
  if (!image.CreateFromInfo(info)) {
    SetLastError("needs %lld bytes for its pixels, which are not available",
                 static_cast<long long>((layout.width + 3) / 4 * 4) * layout.height);
    return 0;
  }
  if (image.palette) image.palette->SetFromInfo(*image.info);

  std::uint8_t* pixels = image.Lock();
  const int pitch = image.Pitch();
  // Re-creating kept the old picture in the corner; what the file does not set is 0.
  std::memset(pixels, 0, static_cast<std::size_t>(pitch) * layout.height);
  if (layout.compression == kRgb) {
    for (int r = 0; r < layout.height; ++r) {
      const std::uint8_t* src = layout.pixels + static_cast<std::size_t>(r) * layout.rowStride;
      const int destRow = layout.topDown ? r : layout.height - 1 - r;
      UnpackRow(src, pixels + static_cast<std::size_t>(destRow) * pitch, layout.width,
                layout.bitCount);
    }
  } else {
    DecodeRle(layout, pixels, pitch);
  }
  image.Unlock();
  return 1;
}

namespace {

// Looks name up in places (data_source.h) and decodes what it finds where the bytes lie: an
// unpacked pack or a resource is not copied again.
int LoadBitmapFrom(Image& image, const char* name, int places, const char* resourceType,
                   int fromResource) {
  DataSource source;
  source.SetResourceType(resourceType);
  if (!source.Open(name, places)) return 0;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::vector<std::uint8_t> storage;
  if (!source.Contents(data, size, storage)) return 0;
  return DecodeBitmap(image, data, size, fromResource);
}

}  // namespace

int LoadBitmap(Image& image, const char* name, const char* resourceType) {
  return LoadBitmapFrom(image, name, DataAnywhere, resourceType, 0);
}

int LoadBitmapFile(Image& image, const char* name) {
  return LoadBitmapFrom(image, name, DataFiles, nullptr, 0);
}

int LoadBitmapResource(Image& image, const char* name, const char* type) {
  return LoadBitmapFrom(image, name, DataResources, type, 1);
}

int LoadBitmapFileRemapped(Image& image, const char* name) {
  return ApplyKeyAndRemap(image, LoadBitmapFile(image, name));
}

int LoadBitmapResourceRemapped(Image& image, const char* name, const char* type) {
  return ApplyKeyAndRemap(image, LoadBitmapResource(image, name, type));
}

int SaveBitmap(Image& image, const char* path) {
  if (!path || !image.info) {
    SetLastError(path ? "the picture has no pixels to save" : "no file name given");
    return 0;
  }
  std::uint8_t* pixels = image.Lock();
  if (!pixels) {
    SetLastError("the picture has no pixels to save");
    return 0;
  }
  const int pitch = image.Pitch();
  const int height = image.Height();
  // Written beside the target and renamed over it when complete: a full disk or an error keeps
  // the old file.
  AtomicFile file;
  bool ok = file.Open(path);
  if (ok) {
    std::uint8_t header[kFileHeaderSize] = {};
    PutU16(header, kBitmapType);
    PutU32(header + 2,
           kPixelOffset + static_cast<std::uint32_t>(pitch) * static_cast<std::uint32_t>(height));
    PutU32(header + 10, kPixelOffset);
    ok = file.Write(header, sizeof header) && file.Write(image.info, sizeof(ImageInfo));
    for (int row = height - 1; ok && row >= 0; --row)
      ok = file.Write(pixels + static_cast<std::size_t>(row) * pitch,
                      static_cast<std::size_t>(pitch));
    ok = ok && file.Commit();
  }
  image.Unlock();
  return ok ? 1 : 0;
}

}  // namespace oru
