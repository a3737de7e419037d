// Show requests of a window's canvas.
#include "oru/platform/window_canvas_internal.h"

#include <algorithm>

namespace oru {

void WindowCanvas::Show(const Rect& rect) {
  const Rect r{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, kWidth),
               std::min(rect.bottom, kHeight)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  {
    std::lock_guard lock(changedMutex_);
    if (hasChanged_) {
      changed_.left = std::min(changed_.left, r.left);
      changed_.top = std::min(changed_.top, r.top);
      changed_.right = std::max(changed_.right, r.right);
      changed_.bottom = std::max(changed_.bottom, r.bottom);
    } else {
      changed_ = r;
      hasChanged_ = true;
    }
  }
  if (!open.load(std::memory_order_acquire)) return;
  // One request in the system's queue at a time: a game thread presenting faster than the
  // primary thread shows must not fill the queue.
  if (!showPending_.exchange(true, std::memory_order_acq_rel)) {
    if (!PostShowRequest(windowId.load(std::memory_order_acquire)))
      showPending_.store(false, std::memory_order_release);
  }
}

bool WindowCanvas::TakeChanged(bool whole, Rect* changed) {
  showPending_.store(false, std::memory_order_release);
  std::lock_guard lock(changedMutex_);
  if (whole) {
    changed_ = {0, 0, kWidth, kHeight};
    hasChanged_ = true;
  }
  if (!hasChanged_) return false;
  *changed = changed_;
  hasChanged_ = false;
  return true;
}

}  // namespace oru
