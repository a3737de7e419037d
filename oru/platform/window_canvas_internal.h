// The canvas a native window owns: remembers what changed and asks the primary thread, once per
// batch of changes, to show it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "oru/platform/canvas.h"

namespace oru {

class WindowCanvas final : public Canvas {
 public:
  void Show(const Rect& rect) override;

  // Primary thread: the changed rectangle since the last call (marking the whole canvas when
  // whole is set), and clears the request so the next Show asks again. False when nothing
  // changed.
  bool TakeChanged(bool whole, Rect* changed);

  // The back end's name for the window (PostShowRequest), and whether it is open: Show on a
  // closed window does nothing.
  std::atomic<std::uintptr_t> windowId{0};
  std::atomic<bool> open{false};

 private:
  std::mutex changedMutex_;
  Rect changed_{0, 0, 0, 0};
  bool hasChanged_ = false;
  std::atomic<bool> showPending_{false};
};

// Back end: asks the primary thread, from any thread, to present the canvas of the window the
// back end calls windowId (PresentCanvas, native_window.h). False when the request cannot be
// queued; the next Show asks again.
bool PostShowRequest(std::uintptr_t windowId);

}  // namespace oru
