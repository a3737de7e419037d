// The span copies of the blits: bytes moved 16 (SSE2) or 32 (AVX2) at a time, and the keyed copy
// that leaves the transparent index's bytes alone, for the processors that have the moves; the
// library copy and a plain loop elsewhere. Internal to the blit sources.
//
// Everything here has internal linkage on purpose: the file that includes it gets its own copy
// of each routine, which the compiler inlines into that file's row loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

}  // namespace

}  // namespace oru
