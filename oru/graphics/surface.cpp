// The pixel store: creation and re-creation, palettes, simple pixel operations, sharing,
// mirroring and the Surface's own virtual operations.
#include "oru/graphics/surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "oru/platform/canvas.h"
#include "oru/platform/clip_copy.h"
#include "oru/platform/draw_context.h"

namespace oru {

namespace {

// Largest store we agree to allocate; keeps pitch x height inside an int.
constexpr std::int64_t kMaxStoreBytes = std::int64_t{1} << 28;

int PitchFor(int width) { return ((width + 3) / 4) * 4; }

}  // namespace

// ---- Image -----------------------------------------------------------------------------------

Image::Image() = default;

// The held pieces go with their reference counts.
Image::~Image() {
  delete[] savedPixels;
  savedPixels = nullptr;
}

void Image::ReleaseOwnedExtras() {
  dcHold_.reset();
  dc = nullptr;
  paletteHold_.reset();
  palette = nullptr;
  runTableHold_.reset();
  runTable = nullptr;
  runSpans_ = nullptr;
}

Palette* Image::EnsurePalette() {
  if (!palette) {
    paletteHold_ = std::make_shared<Palette>();
    palette = paletteHold_.get();
    palette->Create(256);
  }
  return palette;
}

void Image::AdoptInfo(ImageInfo* block) {
  infoHold_.reset(block);
  info = block;
  colourTable = block ? reinterpret_cast<std::uint8_t*>(block->colours) : nullptr;
}

int Image::Pitch() { return pitch; }

void Image::Unlock() {}

std::uint8_t* Image::Lock() { return info ? pixels : nullptr; }

void Image::OnCreated() {}

void Image::ApplyPaletteTable(const PaletteTable& table) {
  EnsurePalette()->ApplyTable(table);
  // The drawing context reads the colour table in place; nothing more to re-apply.
}

void Image::CopyPaletteFrom(Image* other) {
  if (!other || other == this || !colourTable || !other->colourTable) return;
  std::memcpy(colourTable, other->colourTable, 1024);
  if (palette == other->palette) return;  // shared: it already has these colours
  EnsurePalette();
  if (other->palette) {
    palette->CopyFrom(*other->palette);
  } else {
    palette->SetFromInfo(*info);
  }
}

ImageInfo* Image::MakeInfo(int width, int height) {
  auto* block = new ImageInfo{};
  block->header.size = 40;
  block->header.width = width;
  block->header.height = height;
  block->header.planes = 1;
  block->header.bitCount = 8;
  block->header.compression = 0;
  block->header.sizeImage = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
  block->header.clrUsed = 1u << block->header.bitCount;
  block->header.clrImportant = 0;
  EnsurePalette();
  PaletteEntry entries[256] = {};
  palette->GetEntries(0, 256, entries);
  for (int i = 0; i < 256; ++i)
    block->colours[i] =
        ColourEntry{entries[i].blue, entries[i].green, entries[i].red, entries[i].flags};
  palette->SetFromInfo(*block);
  return block;
}

int Image::CreateFromInfo(ImageInfo* newInfo) {
  if (!newInfo) return 0;
  const int newWidth = newInfo->header.width;
  const int newHeight = newInfo->header.height;
  const int newPitch = PitchFor(newWidth);
  if (newWidth <= 0 || newHeight <= 0 ||
      static_cast<std::int64_t>(newPitch) * newHeight > kMaxStoreBytes) {
    delete newInfo;
    return 0;
  }
  std::shared_ptr<std::uint8_t[]> storeHold;
  std::shared_ptr<ImageInfo> infoHold;
  std::shared_ptr<Palette> ownPalette;
  try {
    infoHold.reset(newInfo);  // deletes newInfo itself when it throws
    storeHold.reset(new std::uint8_t[static_cast<std::size_t>(newPitch) * newHeight]());
    // A sharer that makes a store of its own keeps the shared palette's colours in a palette of
    // its own, so that later changes of either image stay with that image.
    if (!ownsPixels) ownPalette = std::make_shared<Palette>();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::uint8_t* const store = storeHold.get();

  if (std::uint8_t* old = Lock()) {
    const int oldPitch = Pitch();
    const int rows = std::min(Height(), newHeight);
    const int columns = std::min(Width(), newWidth);
    for (int row = 0; row < rows; ++row)
      std::memcpy(store + static_cast<std::size_t>(row) * newPitch,
                  old + static_cast<std::size_t>(row) * oldPitch,
                  static_cast<std::size_t>(columns));
    Unlock();
  }

  if (!ownsPixels) {
    if (palette) ownPalette->CopyFrom(*palette);
    paletteHold_ = std::move(ownPalette);
    palette = paletteHold_.get();
    dcHold_.reset();
    dc = nullptr;
  }
  ReleasePixels();
  // A run table describes the old store; reading it for the new one would run past its end.
  runTableHold_.reset();
  runTable = nullptr;
  runSpans_ = nullptr;

  ownsPixels = 1;
  bitmapHold_ = std::move(storeHold);
  pixels = store;
  bitmap = store;
  infoHold_ = std::move(infoHold);
  info = infoHold_.get();
  colourTable = reinterpret_cast<std::uint8_t*>(info->colours);
  clipLeft = 0;
  clipTop = 0;
  clipRight = newWidth;
  clipBottom = newHeight;
  pitch = newPitch;

  OnCreated();

  // A context another image still shares keeps drawing that image's pixels: make a new one.
  if (!dc || dcHold_.use_count() > 1) {
    dcHold_ = std::make_shared<DrawContext>(pixels, pitch, newWidth, newHeight, colourTable);
    dc = dcHold_.get();
  } else {
    dc->Retarget(pixels, pitch, newWidth, newHeight, colourTable);
  }
  return 1;
}

int Image::Create(int width, int height) { return CreateFromInfo(MakeInfo(width, height)); }

void Image::ReleasePixels() {
  bitmapHold_.reset();
  bitmap = nullptr;
  pixels = nullptr;
  infoHold_.reset();
  info = nullptr;
  colourTable = nullptr;
  // A shared context would still draw the pixels just let go of.
  if (!ownsPixels) {
    dcHold_.reset();
    dc = nullptr;
  }
}

void Image::SetColourKey(int rgb) {
  colourKey = rgb;
  if (!colourTable) return;
  transparentIndex = -1;
  const int red = rgb & 0xFF, green = (rgb >> 8) & 0xFF, blue = (rgb >> 16) & 0xFF;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* e = colourTable + i * 4;
    if (e[2] == red && e[1] == green && e[0] == blue) {
      transparentIndex = i;
      return;
    }
  }
}

int Image::PixelAt(int px, int py) {
  if (px < 0 || py < 0 || px >= Width() || py >= Height()) return -1;
  std::uint8_t* p = Lock();
  if (!p) return -1;
  const int value = p[static_cast<std::size_t>(py) * Pitch() + px];
  Unlock();
  return value;
}

void Image::Fill(int index) {
  if (index == -1) index = transparentIndex == -1 ? 0 : transparentIndex;
  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  for (int row = 0; row < Height(); ++row)
    std::memset(p + static_cast<std::size_t>(row) * rowBytes, index & 0xFF,
                static_cast<std::size_t>(rowBytes));
  Unlock();
}

void Image::GradientFill(std::uint32_t topRgb, std::uint32_t bottomRgb) {
  const int height = Height();
  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  for (int row = 0; row < height; ++row) {
    std::uint32_t rgb = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int top = static_cast<int>((topRgb >> shift) & 0xFF);
      const int bottom = static_cast<int>((bottomRgb >> shift) & 0xFF);
      const int c = top - ((top - bottom) * row) / height;
      rgb |= static_cast<std::uint32_t>(c) << shift;
    }
    const int index = palette ? palette->NearestIndex(rgb) : 0;
    std::memset(p + static_cast<std::size_t>(row) * rowBytes, index,
                static_cast<std::size_t>(rowBytes));
  }
  Unlock();
}

void Image::SetClipRect(const Rect* rect) {
  if (!rect) {
    clipLeft = 0;
    clipTop = 0;
    clipRight = Width();
    clipBottom = Height();
    return;
  }
  clipLeft = rect->left;
  clipTop = rect->top;
  clipRight = rect->right;
  clipBottom = rect->bottom;
}

void Image::SavePixels() {
  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  const std::size_t bytes = static_cast<std::size_t>(rowBytes) * Height();
  delete[] savedPixels;
  savedPixels = new std::uint8_t[bytes];
  std::memcpy(savedPixels, p, bytes);
  savedPitch_ = rowBytes;
  savedHeight_ = Height();
  Unlock();
}

void Image::RestorePixels() {
  if (!savedPixels) return;
  if (std::uint8_t* p = Lock()) {
    // Normally the same size as when saved; after a resize only the overlap is restored.
    const int rowBytes = Pitch();
    const int rows = std::min(savedHeight_, Height());
    const int columns = std::min(savedPitch_, rowBytes);
    for (int row = 0; row < rows; ++row)
      std::memcpy(p + static_cast<std::size_t>(row) * rowBytes,
                  savedPixels + static_cast<std::size_t>(row) * savedPitch_,
                  static_cast<std::size_t>(columns));
    Unlock();
  }
  delete[] savedPixels;
  savedPixels = nullptr;
}

void Image::ShareImage(Image* other) {
  if (!other || other == this) return;
  // Take other's counts first: other may be sharing this image's own store.
  std::shared_ptr<std::uint8_t[]> bitmapHold = other->bitmapHold_;
  std::shared_ptr<ImageInfo> infoHold = other->infoHold_;
  std::shared_ptr<DrawContext> dcHold = other->dcHold_;
  std::shared_ptr<Palette> paletteHold = other->paletteHold_;
  std::shared_ptr<std::uint8_t[]> runTableHold = other->runTableHold_;
  ReleaseOwnedExtras();
  ReleasePixels();
  bitmapHold_ = std::move(bitmapHold);
  infoHold_ = std::move(infoHold);
  dcHold_ = std::move(dcHold);
  paletteHold_ = std::move(paletteHold);
  runTableHold_ = std::move(runTableHold);
  bitmap = other->bitmap;
  pixels = other->pixels;
  dc = other->dc;
  info = other->info;
  colourTable = other->colourTable;
  palette = other->palette;
  transparentIndex = other->transparentIndex;
  colourKey = other->colourKey;
  runTable = other->runTable;
  runTableWidth_ = other->runTableWidth_;
  runTableHeight_ = other->runTableHeight_;
  runSpans_ = other->runSpans_;
  pitch = other->pitch;
  frameWidth = other->frameWidth;
  frameHeight = other->frameHeight;
  clipLeft = other->clipLeft;
  clipTop = other->clipTop;
  clipRight = other->clipRight;
  clipBottom = other->clipBottom;
  ownsPixels = 0;
  OnCreated();
}

// Image::ShareRegisteredImage is in surface_registry.cpp, beside the registry.

void Image::MirrorFrames(int flags) {
  const int fw = FrameWidth(), fh = FrameHeight();
  if (fw <= 0 || fh <= 0) return;
  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  std::vector<std::uint8_t> cell(static_cast<std::size_t>(fw) * fh);
  for (int i = 0; i < Height() / fh; ++i) {
    for (int j = 0; j < Width() / fw; ++j) {
      std::uint8_t* origin = p + static_cast<std::size_t>(i) * fh * rowBytes + j * fw;
      for (int row = 0; row < fh; ++row) {
        const std::uint8_t* src = origin + static_cast<std::size_t>(row) * rowBytes;
        std::uint8_t* out = &cell[static_cast<std::size_t>((flags & 1) ? fh - 1 - row : row) * fw];
        if (flags & 2) {
          std::reverse_copy(src, src + fw, out);
        } else {
          std::memcpy(out, src, static_cast<std::size_t>(fw));
        }
      }
      for (int row = 0; row < fh; ++row)
        std::memcpy(origin + static_cast<std::size_t>(row) * rowBytes,
                    &cell[static_cast<std::size_t>(row) * fw], static_cast<std::size_t>(fw));
    }
  }
  Unlock();
}

// ---- Surface ---------------------------------------------------------------------------------

Surface::Surface() = default;

Surface::~Surface() {
  marker = 0;
  if (ownsScene) delete scene;
  scene = nullptr;
  if (ownsBackdrop) delete backdrop;
  backdrop = nullptr;
}

void Surface::OnCreated() {
  const int width = Width(), height = Height();
  if (width == 0 || height == 0) return;
  tilesAcross = (width + kTileWidth - 1) / kTileWidth;
  tilesDown = (height + kTileHeight - 1) / kTileHeight;
  dirtyGrid = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(tilesAcross) * tilesDown);
  RequestFullRedraw();
}

// No context without pixels: one left from a released store would draw into freed memory.
DrawContext* Surface::OpenDC() { return pixels ? dc : nullptr; }

int Surface::CloseDC(DrawContext* /*context*/) { return 1; }

void Surface::Draw(Surface* target) {
  if (!info || !target) return;
  if (frameWidth != 0 && frameHeight != 0) {
    const int n = currentFrame + frameOffset;
    const int perRow = Width() / frameWidth;
    if (perRow <= 0) return;  // cells wider than the image: nothing to show
    const int column = n % perRow, row = n / perRow;
    target->Blit(x, y, frameWidth, frameHeight, this, column * frameWidth, row * frameHeight, 1);
  } else {
    target->Blit(x, y, Width(), Height(), this, 0, 0, 1);
  }
}

void Surface::PresentTo(Canvas* canvas, int dx, int dy, int width, int height, int srcX, int srcY) {
  if (!canvas) return;
  // Clip against the surface, then against the canvas.
  if (!ClipCopy(dx, dy, srcX, srcY, width, height, Width(), Height(), Canvas::kWidth,
                Canvas::kHeight))
    return;

  // The lookup table from palette entries to canvas pixels; surfaces without a palette show
  // their colour table.
  std::uint32_t lut[256];
  PaletteEntry entries[256] = {};
  if (!palette || palette->GetEntries(0, 256, entries) != 256) {
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* e = colourTable ? colourTable + i * 4 : nullptr;
      entries[i] = e ? PaletteEntry{e[2], e[1], e[0], 0} : PaletteEntry{};
    }
  }
  for (int i = 0; i < 256; ++i)
    lut[i] = (std::uint32_t{entries[i].red} << 16) | (std::uint32_t{entries[i].green} << 8) |
             entries[i].blue;

  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  {
    std::lock_guard<std::recursive_mutex> lock(canvas->Mutex());
    for (int row = 0; row < height; ++row) {
      const std::uint8_t* src = p + static_cast<std::size_t>(srcY + row) * rowBytes + srcX;
      std::uint32_t* out =
          canvas->Pixels() + static_cast<std::size_t>(dy + row) * Canvas::kWidth + dx;
      int i = 0;
      for (; i + 4 <= width; i += 4) {
        out[i] = lut[src[i]];
        out[i + 1] = lut[src[i + 1]];
        out[i + 2] = lut[src[i + 2]];
        out[i + 3] = lut[src[i + 3]];
      }
      for (; i < width; ++i) out[i] = lut[src[i]];
    }
  }
  Unlock();
  canvas->Show(Rect{dx, dy, dx + width, dy + height});
}

}  // namespace oru
