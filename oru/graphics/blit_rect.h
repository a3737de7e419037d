/// \file
/// BlitRect: a copy rectangle after clipping against source and destination.
#pragma once

#include <cstdint>

namespace oru {

/// A copy after clipping: where it lands, where it comes from, and its size.
struct BlitRect {
  /// Left edge on the destination.
  std::int32_t destX = 0;
  /// Top edge on the destination.
  std::int32_t destY = 0;
  /// Left edge on the source.
  std::int32_t srcX = 0;
  /// Top edge on the source.
  std::int32_t srcY = 0;
  /// Columns copied.
  std::int32_t width = 0;
  /// Rows copied.
  std::int32_t height = 0;
};

}  // namespace oru
