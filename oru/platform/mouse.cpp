// The pointer's position source and the emulated show counter of the system cursor; the back
// end reads the position and switches the cursor (system_cursor_internal.h).
#include "oru/platform/mouse.h"

#include <atomic>

#include "oru/platform/system_cursor_internal.h"

namespace oru {
namespace {

std::atomic<CursorPosSource> cursorPosSource{nullptr};
std::atomic<int> showCounter{0};

}  // namespace

bool GetCursorPos(Point* position) {
  if (!position) return false;
  CursorPosSource source = cursorPosSource.load(std::memory_order_acquire);
  return source ? source(position) : SystemCursorPos(position);
}

bool ScreenToClient(WindowHandle, Point* position) { return position != nullptr; }

int ShowCursor(bool show) {
  const int before = showCounter.fetch_add(show ? 1 : -1, std::memory_order_acq_rel);
  const int after = before + (show ? 1 : -1);
  if ((before >= 0) != (after >= 0)) ApplyToSystemCursor(after >= 0);
  return after;
}

bool IsSystemCursorShown() { return showCounter.load(std::memory_order_acquire) >= 0; }

CursorPosSource SetCursorPosSource(CursorPosSource source) {
  return cursorPosSource.exchange(source, std::memory_order_acq_rel);
}

void ResetCursorCounterForTesting() {
  const int before = showCounter.exchange(0, std::memory_order_acq_rel);
  if (before < 0) ApplyToSystemCursor(true);
}

}  // namespace oru
