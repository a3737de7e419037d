// Pack encoders (the plain scan and the hash-chain search that gives the same tokens) and the
// bounds-checked decoder.
#include "oru/data/pack_codec_internal.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"

namespace oru {
namespace {

// Appends one token to the areas under construction. flags is sized for the worst case (one
// token per source byte) and trimmed at the end.
struct TokenWriter {
  PackTokens out;
  std::uint32_t token = 0;

  explicit TokenWriter(std::size_t size) {
    out.flags.assign((size + 7) / 8, 0);
    out.data.reserve(size);
  }
  void Literal(std::uint8_t byte) {
    out.flags[token >> 3] |= static_cast<std::uint8_t>(1u << (token & 7));
    out.data.push_back(byte);
    ++token;
  }
  void Reference(std::uint32_t distance, std::uint32_t length) {
    std::uint32_t w = ((distance - 3) << 4) | (length - 3);
    out.data.push_back(static_cast<std::uint8_t>(w & 0xFF));
    out.data.push_back(static_cast<std::uint8_t>(w >> 8));
    ++token;
  }
  void Finish(PackTokens& tokens) {
    out.flags.resize((out.data.size() + 7) / 8);
    tokens = std::move(out);
  }
};

bool FitsFormat(std::size_t size) { return size <= std::numeric_limits<std::uint32_t>::max(); }

bool PastTheEnd(std::size_t dataByte, std::size_t outSize) {
  SetLastError("unpacks past its declared %zu bytes at data byte %zu", outSize, dataByte);
  return false;
}

}  // namespace

bool EncodePackScan(const std::uint8_t* source, std::size_t size, PackTokens& tokens) {
  if (!FitsFormat(size) || (!source && size)) return false;
  TokenWriter writer(size);
  std::size_t pos = 0;
  while (pos < size) {
    std::size_t best = 2, distance = 0;
    std::size_t first = pos > kPackMaxDistance ? pos - kPackMaxDistance : 0;
    for (std::size_t j = first; j + 2 <= pos; ++j) {
      std::size_t k = 0;
      while (k < kPackMaxMatch && j + k < pos && pos + k < size && source[j + k] == source[pos + k])
        ++k;
      if (k > best) {
        best = k;
        distance = pos - j;
        if (best == kPackMaxMatch) break;
      }
    }
    if (best < kPackMinMatch) {
      writer.Literal(source[pos]);
      pos += 1;
    } else {
      writer.Reference(static_cast<std::uint32_t>(distance), static_cast<std::uint32_t>(best));
      pos += best;
    }
  }
  writer.Finish(tokens);
  return true;
}

// The hash-chain search. Every position whose three bytes start a possible match sits in the
// chain of its three-byte hash, linked oldest to newest, so the candidates of a position can be
// walked in the same order as the plain scan and the same match wins: the first candidate of the
// greatest length. Two shortcuts keep the walk short without changing the winner:
//  - candidates get only closer, so their length cap (the distance, as a match may not reach
//    into the bytes it encodes) only shrinks; once it cannot beat the best, the walk ends;
//  - inside a run of one byte value only two candidates of the run can matter: its oldest one,
//    and the one whose rest of run equals the rest of run at the position (only that one can
//    match beyond the run). The walk jumps between them using the run ends;
//  - once a run candidate has matched the whole rest of the run at the position, only
//    candidates that match past it can still win, and those end their run exactly where the
//    position's run ends, followed by the same byte. Run boundaries are chained by their byte
//    pair, so the walk goes on over just those.
namespace {

// The search's tables for one slice of at most capacity positions, reused from slice to slice.
struct SliceTables {
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
  static constexpr int kHashBits = 16;
  explicit SliceTables(std::uint32_t capacity)
      : next(new std::uint32_t[capacity]),
        runEnd(new std::uint32_t[capacity]),
        nextEdge(new std::uint32_t[capacity]) {}
  std::vector<std::uint32_t> oldest, newest, oldestEdge, newestEdge;
  // Links are written when a position joins its chain, so these start uninitialised.
  std::unique_ptr<std::uint32_t[]> next, runEnd, nextEdge;
};

// Encodes the positions from start up to stop (the last token may run past stop by up to 17
// bytes) of the n bytes at source, and returns the position after the last token. Positions
// before start are searched as candidates but not encoded. The result is the whole input's: a
// match starts at most 4098 bytes back and is at most 18 long, so when start is 4101 or more
// bytes into the slice and n reaches 18 bytes past stop (or the input's end), nothing outside the
// slice could change a token. Run ends cut by the slice's end lie beyond every match and compare
// alike.
std::uint32_t EncodeSlice(const std::uint8_t* source, std::uint32_t n, std::uint32_t start,
                          std::uint32_t stop, SliceTables& tables, TokenWriter& writer) {
  constexpr std::uint32_t kNone = SliceTables::kNone;
  constexpr int kHashBits = SliceTables::kHashBits;
  tables.oldest.assign(1u << kHashBits, kNone);
  tables.newest.assign(1u << kHashBits, kNone);
  // Run boundaries e (source[e - 1] != source[e]) chained by the pair source[e - 1], source[e].
  tables.oldestEdge.assign(1u << 16, kNone);
  tables.newestEdge.assign(1u << 16, kNone);
  std::vector<std::uint32_t>& oldest = tables.oldest;
  std::vector<std::uint32_t>& newest = tables.newest;
  std::vector<std::uint32_t>& oldestEdge = tables.oldestEdge;
  std::vector<std::uint32_t>& newestEdge = tables.newestEdge;
  std::uint32_t* const next = tables.next.get();
  std::uint32_t* const runEnd = tables.runEnd.get();
  std::uint32_t* const nextEdge = tables.nextEdge.get();
  runEnd[n - 1] = n;
  for (std::uint32_t p = n - 1; p-- > 0;)
    runEnd[p] = source[p] == source[p + 1] ? runEnd[p + 1] : p + 1;

  auto hashAt = [source](std::uint32_t p) {
    std::uint32_t key =
        (std::uint32_t{source[p]} << 16) | (std::uint32_t{source[p + 1]} << 8) | source[p + 2];
    return (key * 2654435761u) >> (32 - kHashBits);
  };

  std::uint32_t inserted = 0;  // positions below this are in their chains
  std::uint32_t pos = start;
  while (pos < stop) {
    // Candidates end at pos - 3; positions without three bytes left never start a match.
    std::uint32_t insertEnd = std::min(pos, n - 2);
    for (; inserted < insertEnd; ++inserted) {
      std::uint32_t h = hashAt(inserted);
      next[inserted] = kNone;
      if (newest[h] != kNone) next[newest[h]] = inserted;
      newest[h] = inserted;
      if (oldest[h] == kNone) oldest[h] = inserted;
      if (inserted > 0 && source[inserted - 1] != source[inserted]) {
        std::uint32_t pair = (std::uint32_t{source[inserted - 1]} << 8) | source[inserted];
        nextEdge[inserted] = kNone;
        if (newestEdge[pair] != kNone) nextEdge[newestEdge[pair]] = inserted;
        newestEdge[pair] = inserted;
        if (oldestEdge[pair] == kNone) oldestEdge[pair] = inserted;
      }
    }

    std::uint32_t best = 2, distance = 0;
    if (pos >= kPackMinMatch && pos + kPackMinMatch <= n) {
      const std::uint32_t lo = pos > kPackMaxDistance ? pos - kPackMaxDistance : 0;
      const std::uint32_t hi = pos - kPackMinMatch;
      const std::uint32_t maxLength = std::min<std::uint32_t>(kPackMaxMatch, n - pos);
      const std::uint8_t b0 = source[pos], b1 = source[pos + 1], b2 = source[pos + 2];
      const bool inRun = b0 == b1 && b1 == b2;
      const std::uint32_t runRest = runEnd[pos] - pos;
      std::uint32_t h = hashAt(pos);
      // Drop the chain's positions that left the window, a whole run at a time: every position
      // of a run but its last two starts the same three bytes, so they follow one another here.
      std::uint32_t j = oldest[h];
      while (j != kNone && j < lo) {
        if (source[j] == source[j + 1] && source[j + 1] == source[j + 2]) {
          const std::uint32_t last = runEnd[j] - kPackMinMatch;
          if (last >= lo) {
            j = lo;
            break;
          }
          j = next[last];
        } else {
          j = next[j];
        }
      }
      oldest[h] = j;
      while (j != kNone && j <= hi) {
        const std::uint32_t cap = std::min(maxLength, pos - j);
        if (cap <= best) break;  // every later candidate is capped at most as tightly
        const bool sameKey = source[j] == b0 && source[j + 1] == b1 && source[j + 2] == b2;
        if (sameKey && source[j + best] == source[pos + best]) {
          std::uint32_t k = kPackMinMatch;
          while (k < cap && source[j + k] == source[pos + k]) ++k;
          if (k > best) {
            best = k;
            distance = pos - j;
            if (best == maxLength) break;
          }
        }
        if (inRun && best >= runRest && runRest < maxLength) {
          // Only a run ending runRest after its candidate, before the same byte, can do better.
          const std::uint32_t pair = (std::uint32_t{b0} << 8) | source[pos + runRest];
          std::uint32_t e = oldestEdge[pair];
          while (e != kNone && e < lo + kPackMinMatch) e = nextEdge[e];
          oldestEdge[pair] = e;
          while (e != kNone && e <= j + runRest) e = nextEdge[e];
          for (; e != kNone; e = nextEdge[e]) {
            const std::uint32_t c = e - runRest;
            if (c > hi) break;
            const std::uint32_t capC = std::min(maxLength, pos - c);
            if (capC <= best) break;
            if (runEnd[c] != e || source[c + best] != source[pos + best]) continue;
            std::uint32_t k = runRest + 1;
            while (k < capC && source[c + k] == source[pos + k]) ++k;
            if (k > best) {
              best = k;
              distance = pos - c;
              if (best == maxLength) break;
            }
          }
          break;
        }
        if (sameKey && inRun) {
          const std::uint32_t runRestJ = runEnd[j] - j;
          if (runRestJ > runRest) {
            j = runEnd[j] - runRest;  // the run's only candidate that can match past the run
            continue;
          }
          j = next[runEnd[j] - kPackMinMatch];  // the rest of this run only gets shorter
          continue;
        }
        j = next[j];
      }
    }

    if (best < kPackMinMatch) {
      writer.Literal(source[pos]);
      pos += 1;
    } else {
      writer.Reference(distance, best);
      pos += best;
    }
  }
  return pos;
}

}  // namespace

bool EncodePack(const std::uint8_t* source, std::size_t size, PackTokens& tokens) {
  return EncodePackInSlices(source, size, kPackSliceBytes, tokens);
}

bool EncodePackInSlices(const std::uint8_t* source, std::size_t size, std::size_t sliceBytes,
                        PackTokens& tokens) {
  if (!FitsFormat(size) || (!source && size)) return false;
  TokenWriter writer(size);
  if (size < kPackMinMatch + 1) {
    for (std::size_t i = 0; i < size; ++i) writer.Literal(source[i]);
    writer.Finish(tokens);
    return true;
  }
  // The history a slice searches before its start, and the look-ahead its last token may need.
  constexpr std::size_t kBefore = kPackMaxDistance + kPackMinMatch;
  constexpr std::size_t kAfter = kPackMaxMatch;
  const std::size_t step = std::max<std::size_t>(sliceBytes, 1);
  SliceTables tables(static_cast<std::uint32_t>(std::min(size, kBefore + step + kAfter)));
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t base = pos > kBefore ? pos - kBefore : 0;
    const std::size_t stop = std::min(size, pos + step);
    const std::size_t end = std::min(size, stop + kAfter);
    pos = base + EncodeSlice(source + base, static_cast<std::uint32_t>(end - base),
                             static_cast<std::uint32_t>(pos - base),
                             static_cast<std::uint32_t>(stop - base), tables, writer);
  }
  writer.Finish(tokens);
  return true;
}

bool DecodePack(const std::uint8_t* flags, std::size_t flagBytes, const std::uint8_t* data,
                std::size_t dataBytes, std::uint8_t* out, std::size_t outSize) {
  std::size_t k = 0, i = 0, t = 0;
  while (k < dataBytes) {
    // A large pack takes a while; a close request need not wait for it.
    if ((t & 0xFFFF) == 0 && t != 0 && LoadCancelled()) {
      SetLastError("was left unpacked: the load was cancelled");
      return false;
    }
    if ((t >> 3) >= flagBytes) {
      SetLastError("has a flag area of %zu bytes, too short for token %zu", flagBytes, t);
      return false;
    }
    const unsigned flagByte = flags[t >> 3];
    // Up to eight tokens share one flag byte.
    for (unsigned bit = 0; bit < 8 && k < dataBytes; ++bit, ++t) {
      if (flagByte & (1u << bit)) {
        if (i >= outSize) return PastTheEnd(k, outSize);
        out[i++] = data[k++];
        continue;
      }
      if (dataBytes - k < 2) {
        SetLastError("has a data area that ends inside a back-reference at data byte %zu", k);
        return false;
      }
      const unsigned w = data[k] | (unsigned{data[k + 1]} << 8);
      const std::size_t length = (w & 15) + 3;
      const std::size_t distance = (w >> 4) + 3;
      if (distance > i) {
        SetLastError(
            "has a back-reference at data byte %zu reaching %zu bytes back, before the start of "
            "the output",
            k, distance);
        return false;
      }
      if (length > outSize - i) return PastTheEnd(k, outSize);
      k += 2;
      std::uint8_t* dst = out + i;
      const std::uint8_t* src = dst - distance;
      if (distance >= length) {
        std::memcpy(dst, src, length);
      } else {
        for (std::size_t m = 0; m < length; ++m) dst[m] = src[m];
      }
      i += length;
    }
  }
  if (i != outSize) {
    SetLastError("unpacks to %zu bytes, not the %zu it declares", i, outSize);
    return false;
  }
  return true;
}

}  // namespace oru
