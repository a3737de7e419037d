// Blitting: clipping, the choice of copy routine, the plain copies and the run table.
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
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "oru/graphics/blit_copies.h"
#include "oru/graphics/colour_map.h"
#include "oru/graphics/copy_frame.h"
#include "oru/graphics/surface.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace oru {

namespace {

#if defined(__SSE2__)

inline __m128i Load16(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store16(std::uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Copies n bytes, 0 <= n <= 64, between non-overlapping buffers: at most four moves, the ragged
// end covered by moves overlapping the previous ones, so there is no byte loop and no branch
// per pixel. Sprite stretches are mostly this short, where a call to memcpy would cost more
// than the copy.
[[gnu::always_inline]] inline void CopyShortSpan(std::uint8_t* dst, const std::uint8_t* src,
                                                 int n) {
  if (n >= 16) {
    if (n <= 32) {
      const __m128i a = Load16(src), b = Load16(src + n - 16);
      Store16(dst, a);
      Store16(dst + n - 16, b);
    } else {
      const __m128i a = Load16(src), b = Load16(src + 16);
      const __m128i c = Load16(src + n - 32), d = Load16(src + n - 16);
      Store16(dst, a);
      Store16(dst + 16, b);
      Store16(dst + n - 32, c);
      Store16(dst + n - 16, d);
    }
  } else if (n >= 8) {
    std::uint64_t a, b;
    std::memcpy(&a, src, 8);
    std::memcpy(&b, src + n - 8, 8);
    std::memcpy(dst, &a, 8);
    std::memcpy(dst + n - 8, &b, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + n - 4, 4);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + n - 4, &b, 4);
  } else if (n > 0) {
    // 1 to 3 bytes: first, middle and last (the same byte more than once when n < 3).
    const std::uint8_t a = src[0], b = src[n >> 1], c = src[n - 1];
    dst[0] = a;
    dst[n >> 1] = b;
    dst[n - 1] = c;
  }
}

// Copies any n bytes between non-overlapping buffers. Longer stretches are copied in a loop
// whose stores are aligned on the destination: a store split across two cache lines costs
// nearly twice as much, and the blit is bound by its stores. The unaligned first and last
// moves, overlapping the loop, cover the ends.
struct BaseCopy {
  [[gnu::always_inline]] static void Span(std::uint8_t* dst, const std::uint8_t* src, int n) {
    if (n <= 64) {
      CopyShortSpan(dst, src, n);
      return;
    }
    const __m128i head = Load16(src);
    const __m128i tail0 = Load16(src + n - 32), tail1 = Load16(src + n - 16);
    const std::size_t skip = 16 - (reinterpret_cast<std::uintptr_t>(dst) & 15);
    std::uint8_t* out = dst + skip;
    const std::uint8_t* in = src + skip;
    for (std::uint8_t* const stop = dst + n - 32; out < stop; out += 32, in += 32) {
      const __m128i a = Load16(in), b = Load16(in + 16);
      _mm_store_si128(reinterpret_cast<__m128i*>(out), a);
      _mm_store_si128(reinterpret_cast<__m128i*>(out + 16), b);
    }
    Store16(dst, head);
    Store16(dst + n - 32, tail0);
    Store16(dst + n - 16, tail1);
  }
};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORU_BLIT_AVX2 1

// The same with 32-byte moves, for processors that have them (chosen at run time; the binary
// itself assumes only SSE2); from 33 to 64 bytes two overlapping moves do. Not marked
// always_inline: the compiler may only inline it into code built for AVX2, which the flattened
// row loop below is.
struct Avx2Copy {
  [[gnu::target("avx2")]] static inline void Span(std::uint8_t* dst, const std::uint8_t* src,
                                                  int n) {
    if (n <= 32) {
      CopyShortSpan(dst, src, n);
      return;
    }
    if (n <= 64) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + n - 32));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), a);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + n - 32), b);
      return;
    }
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + n - 32));
    const std::size_t skip = 32 - (reinterpret_cast<std::uintptr_t>(dst) & 31);
    std::uint8_t* out = dst + skip;
    const std::uint8_t* in = src + skip;
    for (std::uint8_t* const stop = dst + n - 32; out < stop; out += 32, in += 32)
      _mm256_store_si256(reinterpret_cast<__m256i*>(out),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), head);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + n - 32), tail);
  }
};

#endif

// Copies n bytes except those equal to key, without a branch per pixel. The row's ragged end
// is one more 16-byte step overlapping the last whole one; its result is computed from the
// destination as it was before the row (the same bytes either way) and stored last, so no load
// waits on a store it only partly overlaps.
inline __m128i KeyedBlend(__m128i s, __m128i d, __m128i keys) {
  const __m128i transparent = _mm_cmpeq_epi8(s, keys);
  return _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, s));
}

inline void CopySpanKeyed(std::uint8_t* dst, const std::uint8_t* src, int n, std::uint8_t key) {
  if (n < 16) {
    for (int i = 0; i < n; ++i) {
      const std::uint8_t s = src[i];
      dst[i] = s == key ? dst[i] : s;
    }
    return;
  }
  const __m128i keys = _mm_set1_epi8(static_cast<char>(key));
  auto load = [](const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const __m128i tail = KeyedBlend(load(src + n - 16), load(dst + n - 16), keys);
  for (int i = 0; i + 16 <= n; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     KeyedBlend(load(src + i), load(dst + i), keys));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16), tail);
}

#else

// Without SSE2 (other processors): the library copy and a plain keyed loop.
struct BaseCopy {
  static void Span(std::uint8_t* dst, const std::uint8_t* src, int n) {
    std::memcpy(dst, src, static_cast<std::size_t>(n));
  }
};

inline void CopySpanKeyed(std::uint8_t* dst, const std::uint8_t* src, int n, std::uint8_t key) {
  for (int i = 0; i < n; ++i) {
    const std::uint8_t s = src[i];
    dst[i] = s == key ? dst[i] : s;
  }
}

#endif

// A run-table copy taken apart into plain values, so the row loop keeps them in registers: the
// copies may write anywhere as far as the compiler knows, which would otherwise force a reload
// of every field per stretch.
struct RunCopy {
  const std::uint32_t* rowStart;  // the first copied row's entry in the row starts
  const std::uint32_t* spans;     // (begin, end) column pairs of all rows
  int left, right;                // the copied source columns, right exclusive
  bool wholeRows;                 // left and right are the row's ends: no stretch needs cutting
  int rows;
  std::uint8_t* dest;
  const std::uint8_t* src;
  std::ptrdiff_t destPitch, srcPitch;
};

template <typename Copy>
[[gnu::always_inline]] inline void CopyRunRows(const RunCopy& job) {
  const std::uint32_t* rowStart = job.rowStart;
  const std::uint32_t* const spans = job.spans;
  std::uint8_t* dest = job.dest;
  const std::uint8_t* src = job.src;
  const std::ptrdiff_t destPitch = job.destPitch, srcPitch = job.srcPitch;
  if (job.wholeRows) {
    for (int row = job.rows; row > 0; --row, ++rowStart) {
      const std::uint32_t* span = spans + 2 * rowStart[0];
      const std::uint32_t* const end = spans + 2 * rowStart[1];
      for (; span != end; span += 2)
        Copy::Span(dest + span[0], src + span[0], static_cast<int>(span[1] - span[0]));
      dest += destPitch;
      src += srcPitch;
    }
    return;
  }
  const int left = job.left, right = job.right;
  for (int row = job.rows; row > 0; --row, ++rowStart) {
    const std::uint32_t* span = spans + 2 * rowStart[0];
    const std::uint32_t* const end = spans + 2 * rowStart[1];
    for (; span != end; span += 2) {
      const int begin = std::max(static_cast<int>(span[0]), left);
      const int stop = std::min(static_cast<int>(span[1]), right);
      if (begin < stop) Copy::Span(dest + (begin - left), src + (begin - left), stop - begin);
    }
    dest += destPitch;
    src += srcPitch;
  }
}

void CopyRunRowsBase(const RunCopy& job) { CopyRunRows<BaseCopy>(job); }

#if defined(ORU_BLIT_AVX2)
// flatten: every call inside, the AVX2 copies included, is inlined into this AVX2 build of the
// loop.
[[gnu::target("avx2"), gnu::flatten]] void CopyRunRowsAvx2(const RunCopy& job) {
  CopyRunRows<Avx2Copy>(job);
}

bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

bool useAvx2 = CpuHasAvx2();
#endif

}  // namespace

int SetWideBlitCopies(int enable) {
#if defined(ORU_BLIT_AVX2)
  const int previous = useAvx2 ? 1 : 0;
  useAvx2 = enable != 0 && CpuHasAvx2();
  return previous;
#else
  (void)enable;
  return 0;
#endif
}

void Surface::ClipBlit(BlitRect* out, int destX, int destY, int width, int height,
                       Surface* source, int srcX, int srcY) {
  // A clip rectangle set to reach past its image would let a copy read or write outside the
  // pixels; each one is first narrowed to its image.
  const int dLeft = std::max(clipLeft, 0), dTop = std::max(clipTop, 0);
  const int dRight = std::min(clipRight, Width()), dBottom = std::min(clipBottom, Height());
  const int sLeft = std::max(source->clipLeft, 0), sTop = std::max(source->clipTop, 0);
  const int sRight = std::min(source->clipRight, source->Width());
  const int sBottom = std::min(source->clipBottom, source->Height());

  int a = 0, b = 0;
  if (destX < dLeft) a = destX - dLeft;
  if (destY < dTop) b = destY - dTop;
  if (srcX < sLeft) a = std::min(a, srcX - sLeft);
  if (srcY < sTop) b = std::min(b, srcY - sTop);
  srcX -= a;
  srcY -= b;
  destX -= a;
  destY -= b;
  width += a;
  height += b;

  a = 0;
  b = 0;
  if (destX + width > dRight) a = dRight - destX - width;
  if (destY + height > dBottom) b = dBottom - destY - height;
  if (srcX + width > sRight) a = std::min(a, sRight - srcX - width);
  if (srcY + height > sBottom) b = std::min(b, sBottom - srcY - height);
  width += a;
  height += b;

  *out = BlitRect{destX, destY, srcX, srcY, width, height};
}

void Surface::Blit(int destX, int destY, int width, int height, Surface* source, int srcX,
                   int srcY, int markBackdrop) {
  if (!source || !info || !source->info) return;
  BlitRect r;
  ClipBlit(&r, destX, destY, width, height, source, srcX, srcY);
  if (r.width < 0 || r.height < 0) return;

  // The backdrop is marked even while this surface awaits a full redraw: those marks are what
  // erase the drawing next frame, and without them a sprite drawn during a full redraw would
  // stay behind on the screen for good.
  if (backdrop && markBackdrop == 1)
    backdrop->MarkDirty(r.destX - backdrop->x, r.destY - backdrop->y, r.width, r.height);
  if (!fullRedraw) MarkDirty(r.destX, r.destY, r.width, r.height);
  if (r.width == 0 || r.height == 0) return;

  const bool changesColours = source->TranslucencyActive() || source->TintActive();
  if (source->colourMap && source->colourMap->mode != ColourMap::kNone) {
    if (source->runTable) {
      CopyMappedRuns(r, source);
    } else {
      CopyMapped(r, source);
    }
  } else if (source->runTable) {
    if (changesColours) {
      CopyBlendedRuns(r, source);
    } else {
      CopyRuns(r, source);
    }
  } else if (changesColours) {
    CopyBlended(r, source);
  } else if (source->transparentIndex == -1) {
    CopyOpaque(r, source);
  } else {
    CopyKeyed(r, source);
  }
}

void Surface::CopyOpaque(const BlitRect& r, Surface* source) {
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      // memmove: a surface may be blitted onto itself.
      std::memmove(f.dest, f.src, static_cast<std::size_t>(r.width));
      f.dest += f.destPitch;
      f.src += f.srcPitch;
    }
  });
}

void Surface::CopyKeyed(const BlitRect& r, Surface* source) {
  const int key = source->transparentIndex;
  if (key < 0 || key > 255) {
    CopyOpaque(r, source);
    return;
  }
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      CopySpanKeyed(f.dest, f.src, r.width, static_cast<std::uint8_t>(key));
      f.dest += f.destPitch;
      f.src += f.srcPitch;
    }
  });
}

void Surface::CopyRuns(const BlitRect& r, Surface* source) {
  if (!source->HasRunTableForSize()) {
    CopyKeyed(r, source);
    return;
  }
  WithRows(this, r, source, [&r, source](CopyFrame& f) {
    RunCopy job;
    job.rowStart = source->runSpans_ + r.srcY;
    job.spans = source->runSpans_ + source->Height() + 1;
    job.left = r.srcX;
    job.right = r.srcX + r.width;
    job.wholeRows = r.srcX == 0 && r.width == source->Width();
    job.rows = r.height;
    job.dest = f.dest;
    job.src = f.src;
    job.destPitch = f.destPitch;
    job.srcPitch = f.srcPitch;
#if defined(ORU_BLIT_AVX2)
    if (useAvx2) {
      CopyRunRowsAvx2(job);
      return;
    }
#endif
    CopyRunRowsBase(job);
  });
}

void Surface::CopyMapped(const BlitRect& r, Surface* source) {
  const ColourMap* map = source->colourMap;
  if (!map || !map->table) return;
  const int key = source->transparentIndex;
  const std::uint8_t* table = map->table;
  const bool blend = map->mode == ColourMap::kBlend;
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      for (int i = 0; i < r.width; ++i) {
        const int s = f.src[i];
        if (s == key) continue;
        f.dest[i] = blend ? table[s * 256 + f.dest[i]] : table[s];
      }
      f.dest += f.destPitch;
      f.src += f.srcPitch;
    }
  });
}

void Surface::CopyMappedRuns(const BlitRect& r, Surface* source) {
  const ColourMap* map = source->colourMap;
  if (!map || !map->table) return;
  if (!source->HasRunTableForSize()) {
    CopyMapped(r, source);
    return;
  }
  const int key = source->transparentIndex;
  const std::uint8_t* table = map->table;
  const bool blend = map->mode == ColourMap::kBlend;
  const int runStride = source->Width();
  const std::uint8_t* runs =
      source->runTable + static_cast<std::ptrdiff_t>(r.srcY) * runStride + r.srcX;
  WithRows(this, r, source, [&](CopyFrame& f) {
    for (int row = 0; row < r.height; ++row) {
      int column = 0;
      while (column < r.width) {
        const int n = runs[column];
        if (f.src[column] != key) {
          const int end = column + std::min(n, r.width - column);
          for (int i = column; i < end; ++i) {
            const int s = f.src[i];
            f.dest[i] = blend ? table[s * 256 + f.dest[i]] : table[s];
          }
        }
        column += n;
      }
      f.dest += f.destPitch;
      f.src += f.srcPitch;
      runs += runStride;
    }
  });
}

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
