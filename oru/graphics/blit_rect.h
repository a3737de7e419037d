// BlitRect: a copy rectangle after clipping against source and destination.
#pragma once

#include <cstdint>

namespace oru {

struct BlitRect {
  std::int32_t destX = 0;
  std::int32_t destY = 0;
  std::int32_t srcX = 0;
  std::int32_t srcY = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

}  // namespace oru
