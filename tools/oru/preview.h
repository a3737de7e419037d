// Showing a surface from a command: in a window that Escape closes, or as a binary PPM picture
// through its own colour table where no display is available.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/atomic_file.h"
#include "oru/data/last_error.h"
#include "oru/graphics/surface.h"

namespace oru::tool {

// Writes the surface as a binary PPM through its colour table, to a temporary file renamed over
// path when complete. False, with the reason in oru::LastError(), when it cannot be written.
inline bool WritePpm(Surface& surface, const std::string& path) {
  if (!surface.Lock()) {
    SetLastError("the picture has no pixels to write");
    return false;
  }
  surface.Unlock();
  AtomicFile file;
  if (!file.Open(path.c_str())) return false;
  char header[64];
  const int n =
      std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", surface.Width(), surface.Height());
  bool ok = file.Write(header, static_cast<std::size_t>(n));
  std::vector<unsigned char> row(static_cast<std::size_t>(surface.Width()) * 3);
  for (int y = 0; ok && y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const std::uint8_t* entry = surface.colourTable + surface.PixelAt(x, y) * 4;
      row[x * 3 + 0] = entry[2];
      row[x * 3 + 1] = entry[1];
      row[x * 3 + 2] = entry[0];
    }
    ok = file.Write(row.data(), row.size());
  }
  return ok && file.Commit();
}

// Opens a 640 by 480 window showing the surface and pumps messages until it is closed. Returns
// the exit code, or 1 with a message naming the command when no window can be had.
int ShowInWindow(Surface& surface, const std::string& caption, const char* command);

}  // namespace oru::tool
