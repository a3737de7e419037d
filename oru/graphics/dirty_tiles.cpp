// Dirty tiles: marking, presenting and copying the marked tiles, and the per-frame refresh.
//
// A surface keeps one byte per 48 x 32 tile; blits mark the tiles they touch and presenting
// copies only marked tiles, merging consecutive marked tiles of a row into one strip.
#include <algorithm>
#include <cstring>

#include "oru/graphics/surface.h"

namespace oru {

void Surface::SetAllMarks(int value) {
  if (dirtyGrid)
    std::memset(dirtyGrid.get(), value & 0xFF, static_cast<std::size_t>(tilesAcross) * tilesDown);
}

void Surface::MarkDirty(int mx, int my, int width, int height) {
  if (!dirtyGrid) return;
  // Only the corner is raised to 0; the size stays, so a rectangle hanging off the top-left
  // marks a little more than it covers, never less.
  if (mx < 0) mx = 0;
  if (my < 0) my = 0;
  const int column0 = mx / kTileWidth;
  const int row0 = my / kTileHeight;
  const int column1 =
      std::min(column0 + (width + mx % kTileWidth + kTileWidth - 1) / kTileWidth, tilesAcross);
  const int row1 =
      std::min(row0 + (height + my % kTileHeight + kTileHeight - 1) / kTileHeight, tilesDown);
  for (int row = row0; row < row1; ++row)
    for (int column = column0; column < column1; ++column)
      dirtyGrid[static_cast<std::size_t>(row) * tilesAcross + column] = 1;
}

void Surface::MarkDirtyRect(const Rect& rect) {
  MarkDirty(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void Surface::MarkDirtyWithBackdrop(int mx, int my, int width, int height) {
  MarkDirty(mx, my, width, height);
  if (backdrop) backdrop->MarkDirty(mx - backdrop->x, my - backdrop->y, width, height);
}

void Surface::MarkDirtyRectWithBackdrop(const Rect& rect) {
  MarkDirtyRect(rect);
  if (backdrop) backdrop->MarkDirtyRect(rect);
}

bool Surface::IsTileMarked(int column, int row) const {
  if (!dirtyGrid || column < 0 || row < 0 || column >= tilesAcross || row >= tilesDown)
    return false;
  return dirtyGrid[static_cast<std::size_t>(row) * tilesAcross + column] != 0;
}

template <typename CopyFunction>
void Surface::ForEachDirtyRun(bool whole, int px, int py, CopyFunction copy) {
  const int width = Width(), height = Height();
  if (whole) {
    copy(px, py, width, height, 0, 0);
    return;
  }
  if (!dirtyGrid) return;
  const int rows = std::min((height + kTileHeight - 1) / kTileHeight, tilesDown);
  const int columns = std::min((width + kTileWidth - 1) / kTileWidth, tilesAcross);
  for (int row = 0; row < rows; ++row) {
    std::uint8_t* marks = dirtyGrid.get() + static_cast<std::size_t>(row) * tilesAcross;
    int column = 0;
    while (column < columns) {
      const int first = column;
      while (column < columns && marks[column]) marks[column++] = 0;
      const int n = column - first;
      if (n > 0)
        copy(px + first * kTileWidth, py + row * kTileHeight, n * kTileWidth, kTileHeight,
             first * kTileWidth, row * kTileHeight);
      ++column;  // the unmarked tile that ended the run
    }
  }
}

void Surface::PresentDirty(Canvas* dc, int px, int py) {
  const bool whole = fullRedraw != 0;
  fullRedraw = 0;
  ForEachDirtyRun(whole, px, py, [&](int dx, int dy, int w, int h, int sx, int sy) {
    PresentTo(dc, dx, dy, w, h, sx, sy);
  });
}

void Surface::CopyDirtyTo(Surface* target, int px, int py) {
  if (!target) return;
  const bool whole = fullRedraw != 0 || target->fullRedraw != 0;
  if (whole) fullRedraw = 0;
  ForEachDirtyRun(whole, px, py, [&](int dx, int dy, int w, int h, int sx, int sy) {
    target->Blit(dx, dy, w, h, this, sx, sy, 0);
  });
}

int Surface::Update(Canvas* dc, int px, int py) {
  if (backdrop) backdrop->CopyDirtyTo(this, backdrop->x, backdrop->y);
  if (scene) DrawScene(scene);
  PresentDirty(dc, px, py);
  return 1;
}

}  // namespace oru
