// What the back ends' full-screen displays share.
#pragma once

#include "oru/platform/display.h"

namespace oru {

// Game thread (under the owner's frame lock): converts rect of the visible picture through its
// palette into window's canvas and asks for it to be shown. The picture is read through its own
// storage, so a lost primary still shows what it holds.
void ShowPictureOnCanvas(WindowHandle window, const DisplaySurface& primary, const Rect& rect);

}  // namespace oru
