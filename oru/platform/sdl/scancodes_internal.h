// SDL scancodes to the virtual-key codes the key flags (keystate.h) are kept under.
#pragma once

namespace oru {

// The virtual-key code of an SDL scancode, or 0 for a key the game has no code for.
int VirtualKeyFromScancode(int scancode, bool numLock);

// RecordKeyEvent for an SDL scancode, mapped with the Num Lock state of the event.
int ApplyKeyEvent(int scancode, bool down, bool numLock);

}  // namespace oru
