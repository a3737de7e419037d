// Blitting: clipping, the choice of copy routine and the plain copies (whole rows, colour-keyed
// and through the run table). The span copies they use are in blit_spans_internal.h, the run
// table itself in run_table.cpp, the colour-changing copies in blend_blit.cpp.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "oru/graphics/blit_copies_internal.h"
#include "oru/graphics/blit_spans_internal.h"
#include "oru/graphics/colour_map.h"
#include "oru/graphics/copy_frame_internal.h"
#include "oru/graphics/surface.h"

namespace oru {

namespace {

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

void Surface::ClipBlit(BlitRect* out, int destX, int destY, int width, int height, Surface* source,
                       int srcX, int srcY) {
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

void Surface::Blit(int destX, int destY, int width, int height, Surface* source, int srcX, int srcY,
                   int markBackdrop) {
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

}  // namespace oru
