// The frame every surface-to-surface copy runs in, shared by the plain copies (blit.cpp) and the
// blended and colour-mapped ones (blend_blit.cpp): both surfaces locked, row pointers at the
// copied rectangle's first pixel, unlocked when the copy is done. Internal to the blit sources.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oru/graphics/blit_rect.h"
#include "oru/graphics/surface.h"

namespace oru {

// The pixel rows of both sides of a copy, locked for its duration.
struct CopyFrame {
  std::uint8_t* dest = nullptr;
  const std::uint8_t* src = nullptr;
  int destPitch = 0;
  int srcPitch = 0;
};

// Locks both sides, runs body(CopyFrame&) over the rows, unlocks. Nothing runs when either
// side cannot be locked.
template <typename Body>
void WithRows(Surface* destination, const BlitRect& r, Surface* source, Body body) {
  std::uint8_t* d = destination->Lock();
  if (!d) return;
  std::uint8_t* s = source->Lock();
  if (!s) {
    destination->Unlock();
    return;
  }
  CopyFrame frame;
  frame.destPitch = destination->Pitch();
  frame.srcPitch = source->Pitch();
  frame.dest = d + static_cast<std::ptrdiff_t>(r.destY) * frame.destPitch + r.destX;
  frame.src = s + static_cast<std::ptrdiff_t>(r.srcY) * frame.srcPitch + r.srcX;
  body(frame);
  destination->Unlock();
  source->Unlock();
}

}  // namespace oru
