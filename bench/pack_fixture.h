// The picture-like bytes the pack benchmarks share, so the pack codec and zlib work on the same
// input.
#pragma once

#include <cstdint>
#include <vector>

namespace oru_bench {

using Bytes = std::vector<std::uint8_t>;

// A 640 by 480 8-bit BMP: bands, a checker of blocks and a disc in flat colours, with 2% of the
// pixels replaced by noise, under a 256-entry colour table.
const Bytes& PictureBmp();

}  // namespace oru_bench
