// Showing a surface from a command: in a window that Escape closes, or as a binary PPM picture
// through its own colour table where no display is available.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "oru/graphics/surface.h"

namespace oru::tool {

inline bool WritePpm(Surface& surface, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", surface.Width(), surface.Height());
  std::vector<unsigned char> row(static_cast<std::size_t>(surface.Width()) * 3);
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const std::uint8_t* entry = surface.colourTable + surface.PixelAt(x, y) * 4;
      row[x * 3 + 0] = entry[2];
      row[x * 3 + 1] = entry[1];
      row[x * 3 + 2] = entry[0];
    }
    std::fwrite(row.data(), 1, row.size(), file);
  }
  return std::fclose(file) == 0;
}

// Opens a 640 by 480 window showing the surface and pumps messages until it is closed. Returns
// the exit code, or 1 with a message naming the command when no window can be had.
int ShowInWindow(Surface& surface, const std::string& caption, const char* command);

}  // namespace oru::tool
