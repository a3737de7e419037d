// The run table of an image: its format and its builder.
//
// Run table format. An image's run table holds one byte per pixel, rows packed Width() bytes
// apart (not Pitch()). Each row is cut into alternating runs of transparent and opaque pixels,
// starting with a transparent run that may be empty; a run is at most 255 pixels, a longer
// stretch continues as further runs of the same kind (with an empty run of the other kind in
// between, which takes no bytes). Each pixel's byte counts the pixels from it to the end of its
// run, itself included: a run of n holds n, n-1, ..., 1. Whether a run is transparent is read
// from the pixel. Because every pixel knows the rest of its run, a copy may start at any column
// and skip or copy a whole run at once.
//
// Behind the run bytes, in the same allocation, the table keeps an index of each row's opaque
// stretches, each whole however long: height + 1 row starts into a list of (begin, end) column
// pairs. CopyRuns walks that index, so a row costs one block copy per opaque stretch and nothing
// per transparent one; the per-pixel bytes serve the other run-walking copies and anyone
// starting at an arbitrary column.
#include <cstddef>
#include <cstdint>
#include <new>

#include "oru/graphics/surface.h"

namespace oru {

void Image::BuildRunTable(int enable) {
  // Only lets go of the old table: an image sharing this one's store may still read it.
  runTableHold_.reset();
  runTable = nullptr;
  runSpans_ = nullptr;
  runTableWidth_ = 0;
  runTableHeight_ = 0;
  if (!enable) return;
  const int width = Width(), height = Height();
  std::uint8_t* p = Lock();
  if (!p) return;
  const int rowBytes = Pitch();
  const int key = transparentIndex;
  auto row = [&](int y) { return p + static_cast<std::size_t>(y) * rowBytes; };

  // Calls add(begin, end) for each opaque stretch of row y.
  auto forEachStretch = [&](int y, auto add) {
    const std::uint8_t* src = row(y);
    for (int x = 0; x < width;) {
      if (src[x] == key) {
        ++x;
        continue;
      }
      const int begin = x;
      while (x < width && src[x] != key) ++x;
      add(begin, x);
    }
  };
  // Count the stretches first to size the index.
  std::size_t spanCount = 0;
  for (int y = 0; y < height; ++y) forEachStretch(y, [&](int, int) { ++spanCount; });
  const std::size_t runBytes = static_cast<std::size_t>(width) * height;
  const std::size_t indexOffset = (runBytes + 7) & ~std::size_t{7};
  const std::size_t indexWords = static_cast<std::size_t>(height) + 1 + 2 * spanCount;
  try {
    runTableHold_.reset(new std::uint8_t[indexOffset + indexWords * sizeof(std::uint32_t)]);
  } catch (const std::bad_alloc&) {
    Unlock();
    return;  // blits fall back to the colour key
  }
  runTable = runTableHold_.get();
  auto* index = reinterpret_cast<std::uint32_t*>(runTable + indexOffset);
  runSpans_ = index;
  runTableWidth_ = width;
  runTableHeight_ = height;

  std::uint32_t* spans = index + height + 1;
  std::uint32_t spanIndex = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = row(y);
    std::uint8_t* out = runTable + static_cast<std::size_t>(y) * width;
    bool transparentKind = true;
    int column = 0;
    while (column < width) {
      int n = 0;
      while (column + n < width && n < 255 && (src[column + n] == key) == transparentKind) ++n;
      for (int i = 0; i < n; ++i) out[column + i] = static_cast<std::uint8_t>(n - i);
      column += n;
      transparentKind = !transparentKind;
    }
    index[y] = spanIndex;
    forEachStretch(y, [&](int begin, int end) {
      spans[2 * spanIndex] = static_cast<std::uint32_t>(begin);
      spans[2 * spanIndex + 1] = static_cast<std::uint32_t>(end);
      ++spanIndex;
    });
  }
  index[height] = spanIndex;
  Unlock();
}

}  // namespace oru
