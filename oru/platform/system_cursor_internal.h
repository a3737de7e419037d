// What the back end does for the pointer functions of mouse.h.
#pragma once

#include "oru/platform/messages.h"

namespace oru {

// The pointer position in the client coordinates of the window that has the pointer (the
// picture's coordinates); false when none is known. Primary thread or any; reads only.
bool SystemCursorPos(Point* position);

// Shows or hides the system cursor; does nothing where there is no display.
void ApplyToSystemCursor(bool shown);

}  // namespace oru
