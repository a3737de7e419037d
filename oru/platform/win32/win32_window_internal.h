// What the Win32 back end's files share about windows: the system's window behind a handle, the
// picture's placement in the client area, and the display's view of activation changes.
#pragma once

#include "oru/platform/messages.h"

struct HWND__;

namespace oru {

// The system's window of an open window, or null.
HWND__* HwndOf(WindowHandle window);

// The open window whose system window is hwnd, or null.
WindowHandle WindowFromHwnd(HWND__* hwnd);

// Full screen shows the picture at the largest whole-number scale that fits; a window scales it
// to fit its client area as it is.
void SetIntegerScale(WindowHandle window, bool integerScale);

// Where the 640 x 480 picture lies in the client area: its top-left corner and its scale.
struct PicturePlacement {
  int left = 0;
  int top = 0;
  double scale = 1.0;
};
PicturePlacement PlacementOf(WindowHandle window);

// A client-area position turned into the picture's coordinates.
Point PicturePointOf(WindowHandle window, int x, int y);

// Called on the primary thread when a window is activated, deactivated or minimised; one hook at
// a time (the full-screen display's), null for none.
using ActivationHook = void (*)(WindowHandle window, bool active, bool minimised);
void SetActivationHook(ActivationHook hook);
ActivationHook CurrentActivationHook();

// The message posted to a window to present its canvas, and the thread message that wakes the
// loop; both lie in the application's range.
inline constexpr unsigned kShowCanvasMessage = 0x8000 + 1;
inline constexpr unsigned kWakeLoopMessage = 0x8000 + 2;

// The primary thread's id in the system (the thread that started the window services), 0 before.
unsigned long PrimaryThreadId();

}  // namespace oru
