/// \file
/// The 32-bit picture behind a window. The game thread converts changed rectangles of its 8-bit
/// surfaces into it under the canvas lock, then asks for them to be shown; the primary thread
/// (the only one that touches SDL video) uploads the canvas and presents it.
#pragma once

#include <cstdint>
#include <mutex>

#include "oru/platform/messages.h"

namespace oru {

/// A window's 640 by 480 picture in 32-bit pixels, which the back end scales to the window.
class Canvas {
 public:
  /// Size of every canvas in pixels: the fixed 640 by 480 a game draws to.
  static constexpr int kWidth = 640;
  /// Size of every canvas in pixels: the fixed 640 by 480 a game draws to.
  static constexpr int kHeight = 480;

  virtual ~Canvas() = default;

  ///@{
  /// Pixels are 0x00RRGGBB, kWidth per row, top row first. Write them only while holding Mutex().
  std::uint32_t* Pixels() { return pixels_; }
  std::recursive_mutex& Mutex() { return mutex_; }
  ///@}

  /// Marks rect (right and bottom exclusive, clipped to the canvas) as changed and asks the
  /// primary thread to show the canvas. Cheap and safe from any thread; requests coalesce.
  virtual void Show(const Rect& rect) = 0;

 protected:
  /// The pixels, rows top to bottom; hold Mutex() while touching them.
  std::uint32_t pixels_[kWidth * kHeight] = {};
  /// Serialises writers of the pixels and the back end showing them.
  std::recursive_mutex mutex_;
};

/// The canvas of a native window, or null for a null or unknown handle.
Canvas* CanvasOf(WindowHandle window);

}  // namespace oru
