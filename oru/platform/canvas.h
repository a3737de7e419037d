// The 32-bit picture behind a window. The game thread converts changed rectangles of its 8-bit
// surfaces into it under the canvas lock, then asks for them to be shown; the primary thread
// (the only one that touches SDL video) uploads the canvas and presents it.
#pragma once

#include <cstdint>
#include <mutex>

#include "oru/platform/messages.h"

namespace oru {

class Canvas {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  virtual ~Canvas() = default;

  // Pixels are 0x00RRGGBB, kWidth per row, top row first. Write them only while holding Mutex().
  std::uint32_t* Pixels() { return pixels_; }
  std::recursive_mutex& Mutex() { return mutex_; }

  // Marks rect (right and bottom exclusive, clipped to the canvas) as changed and asks the
  // primary thread to show the canvas. Cheap and safe from any thread; requests coalesce.
  virtual void Show(const Rect& rect) = 0;

 protected:
  std::uint32_t pixels_[kWidth * kHeight] = {};
  std::recursive_mutex mutex_;
};

// The canvas of a native window, or null for a null or unknown handle.
Canvas* CanvasOf(WindowHandle window);

}  // namespace oru
