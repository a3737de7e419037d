// BMP decoding, loading and saving.
#include "oru/graphics/bitmap_file.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/data/file_stream.h"
#include "oru/data/pack_file.h"
#include "oru/data/resource_stream.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/surface.h"

namespace oru {
namespace {

constexpr std::uint16_t kBitmapType = 19778;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelOffset = 14 + 40 + 1024;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// What the decoder takes from the headers, after every check against the data.
struct BitmapLayout {
  int width = 0;
  int height = 0;       // always positive
  bool topDown = false;
  int bitCount = 0;
  std::size_t colourCount = 0;
  const std::uint8_t* colours = nullptr;
  const std::uint8_t* rows = nullptr;
  std::size_t rowStride = 0;  // bytes between source rows; 0 when no pixels are decoded
};

bool ParseBitmap(const std::uint8_t* data, std::size_t size, int headerOptional, BitmapLayout& out) {
  if (!data) return false;
  std::size_t at = 0;
  if (size >= 2 && U16(data) == kBitmapType) {
    at = kFileHeaderSize;
  } else if (headerOptional != 1) {
    return false;
  }
  if (size < at + kInfoHeaderSize) return false;
  const std::uint8_t* info = data + at;
  // Longer headers (later versions of the info header) put the colour table after themselves.
  const std::uint32_t headerSize = U32(info);
  const std::int32_t width = static_cast<std::int32_t>(U32(info + 4));
  const std::int32_t height = static_cast<std::int32_t>(U32(info + 8));
  const int bitCount = U16(info + 14);
  const std::uint32_t coloursUsed = U32(info + 32);
  if (bitCount == 24) return false;
  if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return false;
  const std::int64_t rowsAbs = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::int64_t pitch = ((static_cast<std::int64_t>(width) + 3) / 4) * 4;
  if (pitch * rowsAbs > std::numeric_limits<std::int32_t>::max()) return false;

  std::size_t colourCount = coloursUsed;
  if (coloursUsed == 0) colourCount = bitCount == 4 ? 16 : 256;
  if (colourCount > 256) return false;
  std::size_t colourAt = at + (headerSize > kInfoHeaderSize ? headerSize : kInfoHeaderSize);
  if (colourAt > size || (size - colourAt) / 4 < colourCount) return false;
  const std::size_t rowsAt = colourAt + colourCount * 4;

  out.width = width;
  out.height = static_cast<int>(rowsAbs);
  out.topDown = height < 0;
  out.bitCount = bitCount;
  out.colourCount = colourCount;
  out.colours = data + colourAt;
  out.rows = data + rowsAt;
  // Every row must be there, whatever the depth, so that a few bytes cannot ask for a large
  // store; only the last row may lack its padding. Rows are 32-bit aligned at every depth.
  const std::uint64_t bits = bitCount > 0 ? static_cast<std::uint64_t>(bitCount) : 1;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
  const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(width) * bits + 7) / 8;
  if (stride * static_cast<std::uint64_t>(rowsAbs - 1) + lastRowBytes > size - rowsAt) return false;
  out.rowStride = bitCount == 8 || bitCount == 4 ? static_cast<std::size_t>(stride) : 0;
  return true;
}

int DecodeBytes(Image& image, const std::vector<std::uint8_t>& bytes, int headerOptional) {
  return DecodeBitmap(image, bytes.data(), bytes.size(), headerOptional);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

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

bool ReadBitmapHeader(const std::uint8_t* data, std::size_t size, int headerOptional, BitmapHeader& out) {
  BitmapLayout layout;
  if (!ParseBitmap(data, size, headerOptional, layout)) return false;
  out.width = layout.width;
  out.height = layout.height;
  out.topDown = layout.topDown;
  out.bitCount = layout.bitCount;
  out.colourCount = static_cast<int>(layout.colourCount);
  return true;
}

int DecodeBitmap(Image& image, const std::uint8_t* data, std::size_t size, int headerOptional) {
  BitmapLayout layout;
  if (!ParseBitmap(data, size, headerOptional, layout)) return 0;

  ImageInfo* info = image.MakeInfo(layout.width, layout.height);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint8_t* e = layout.colours + i * 4;
    info->colours[i] = i < layout.colourCount ? ColourEntry{e[0], e[1], e[2], e[3]} : ColourEntry{};
  }
  // The palette takes the file's colours only once the store exists, so a failed creation
  // leaves the image as it was.
  if (!image.CreateFromInfo(info)) return 0;
  if (image.palette) image.palette->SetFromInfo(*image.info);

  if (layout.rowStride) {
    std::uint8_t* pixels = image.Lock();
    const int pitch = image.Pitch();
    for (int r = 0; r < layout.height; ++r) {
      const std::uint8_t* src = layout.rows + static_cast<std::size_t>(r) * layout.rowStride;
      const int destRow = layout.topDown ? r : layout.height - 1 - r;
      std::uint8_t* dst = pixels + static_cast<std::size_t>(destRow) * pitch;
      if (layout.bitCount == 8) {
        std::memcpy(dst, src, static_cast<std::size_t>(layout.width));
      } else {
        for (int x = 0; x < layout.width; x += 2) {
          const std::uint8_t b = src[x / 2];
          dst[x] = static_cast<std::uint8_t>(b >> 4);
          if (x + 1 < layout.width) dst[x + 1] = static_cast<std::uint8_t>(b & 0x0F);
        }
      }
    }
    image.Unlock();
  }
  return 1;
}

int LoadBitmap(Image& image, const char* name, const char* resourceType) {
  DataSource source;
  source.SetResourceType(resourceType);
  if (!source.Open(name)) return 0;
  // Decoded where the bytes lie: an unpacked pack is not copied again.
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::vector<std::uint8_t> storage;
  if (!source.Contents(data, size, storage)) return 0;
  return DecodeBitmap(image, data, size, 0);
}

int LoadBitmapFile(Image& image, const char* name) {
  if (!name) return 0;
  FileStream file;
  PackFile pack;
  if (file.Open(name, FileRead)) {
    std::vector<std::uint8_t> bytes(file.Size());
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return 0;
    // A pack stored under the picture's own name is read like its ".dpa" counterpart.
    if (pack.OpenMemory(bytes.data(), bytes.size())) {
      if (!pack.Unpack()) return 0;
      return DecodeBitmap(image, pack.Data(), pack.Size(), 0);
    }
    return DecodeBytes(image, bytes, 0);
  }
  if (!pack.OpenFile(name) || !pack.Unpack()) return 0;
  return DecodeBitmap(image, pack.Data(), pack.Size(), 0);
}

int LoadBitmapResource(Image& image, const char* name, const char* type) {
  ResourceStream resource;
  if (!resource.Open(name, type)) return 0;
  PackFile pack;
  if (pack.OpenMemory(resource.Data(), resource.Size())) {
    if (!pack.Unpack()) return 0;
    return DecodeBitmap(image, pack.Data(), pack.Size(), 1);
  }
  return DecodeBitmap(image, resource.Data(), resource.Size(), 1);
}

int LoadBitmapFileRemapped(Image& image, const char* name) {
  return ApplyKeyAndRemap(image, LoadBitmapFile(image, name));
}

int LoadBitmapResourceRemapped(Image& image, const char* name, const char* type) {
  return ApplyKeyAndRemap(image, LoadBitmapResource(image, name, type));
}

int SaveBitmap(Image& image, const char* path) {
  if (!path || !image.info) return 0;
  std::uint8_t* pixels = image.Lock();
  if (!pixels) return 0;
  const int pitch = image.Pitch();
  const int height = image.Height();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
  bool ok = file != nullptr;
  if (ok) {
    std::uint8_t header[kFileHeaderSize] = {};
    PutU16(header, kBitmapType);
    PutU32(header + 2, kPixelOffset + static_cast<std::uint32_t>(pitch) * static_cast<std::uint32_t>(height));
    PutU32(header + 10, kPixelOffset);
    ok = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
         std::fwrite(image.info, 1, sizeof(ImageInfo), file.get()) == sizeof(ImageInfo);
    for (int row = height - 1; ok && row >= 0; --row)
      ok = std::fwrite(pixels + static_cast<std::size_t>(row) * pitch, 1, static_cast<std::size_t>(pitch),
                       file.get()) == static_cast<std::size_t>(pitch);
    ok = std::fclose(file.release()) == 0 && ok;
  }
  image.Unlock();
  return ok ? 1 : 0;
}

}  // namespace oru
