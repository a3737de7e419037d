/// \file
/// The pointer: its position in a window's client coordinates and the system cursor's show counter
/// (the GetCursorPos, ScreenToClient and ShowCursor services over SDL).
///
/// The system cursor is shown while the counter is 0 or more; ShowCursor(true) adds one and
/// ShowCursor(false) takes one away, so every hide needs its own show. The counter starts at 0.
/// Call ShowCursor on the primary thread (the one that owns SDL video).
#pragma once

#include "oru/platform/messages.h"

namespace oru {

/// The pointer position in the client coordinates of the window that has the pointer (the
/// picture's coordinates, also when full screen scales the picture up); false when no position
/// is known.
bool GetCursorPos(Point* position);

/// Client coordinates of window for a position from GetCursorPos: unchanged, since those are
/// client coordinates already. False for a null position.
bool ScreenToClient(WindowHandle window, Point* position);

/// Adds one to (show) or takes one from (hide) the show counter and returns the new value.
/// The system cursor is switched when the counter crosses between -1 and 0.
int ShowCursor(bool show);

/// True while the show counter is 0 or more.
bool IsSystemCursorShown();

///@{
/// Test seams: a source of pointer positions in place of SDL (null restores SDL), and a reset of
/// the show counter to 0.
using CursorPosSource = bool (*)(Point* position);
CursorPosSource SetCursorPosSource(CursorPosSource source);
void ResetCursorCounterForTesting();
///@}

}  // namespace oru
