// The pointer's position and the system cursor, over GetCursorPos, ScreenToClient and SetCursor.
#include "oru/platform/native_window.h"
#include "oru/platform/system_cursor_internal.h"
#include "oru/platform/win32/win32_window_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {

bool SystemCursorPos(Point* position) {
  POINT p;
  if (!::GetCursorPos(&p)) return false;
  // Relative to the window under the pointer when it is one of ours, else to the main window.
  WindowHandle window = WindowFromHwnd(WindowFromPoint(p));
  if (!window) window = MainNativeWindow();
  HWND hwnd = HwndOf(window);
  if (!hwnd || !::ScreenToClient(hwnd, &p)) return false;
  *position = PicturePointOf(window, p.x, p.y);
  return true;
}

void ApplyToSystemCursor(bool shown) {
  // The windows' WM_SETCURSOR keeps it so while the pointer moves.
  if (PrimaryThreadId() != 0) SetCursor(shown ? LoadCursorW(nullptr, IDC_ARROW) : nullptr);
}

}  // namespace oru
