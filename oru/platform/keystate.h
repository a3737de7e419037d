/// \file
/// The keyboard state query (GetAsyncKeyState) over 256 atomic flags indexed by virtual-key code.
///
/// The primary thread writes the flags from the system's key and mouse button events
/// (RecordKeyEvent, SetKeyState); any thread reads them:
///
///   if (oru::GetAsyncKeyState(oru::VK_LEFT) & 0x8000) MoveLeft();
///
/// Left and right Shift and Control also set the generic VK_SHIFT and VK_CONTROL, which stay
/// down while either side is held. Keypad keys follow Num Lock as on the native platform: digits
/// (VK_NUMPAD0..9, VK_DECIMAL) while it is on, the cursor block (arrows, Home, End, Page Up,
/// Page Down, Insert, Delete, VK_CLEAR for 5) while it is off.
#pragma once

#include <cstdint>

namespace oru {

/// Bit 15 (0x8000, the value is negative) while the key is down, 0 while up or for codes outside
/// 0..255.
short GetAsyncKeyState(int vk);

/// Sets one flag. Codes outside 0..255 are ignored.
void SetKeyState(int vk, bool down);

/// How many times the key has gone down since start-up (wrapping). A reader that samples the
/// flags once a frame compares it with the count it saw last, so that a tap pressed and released
/// between two samples is not lost.
std::uint32_t KeyPressCount(int vk);

/// Releases every key (when the window loses the keyboard focus, no key-up events follow).
void ClearKeyState();

/// How many physical key numbers (the back end's scan codes) RecordKeyEvent tells apart.
inline constexpr int kKeyNumbers = 512;

/// Records a key event of physical key number key (0..kKeyNumbers - 1) that maps to virtual-key
/// code vk now: sets the flag of the code and the generic Shift and Control codes. A key is
/// released under the code it was pressed with, even if Num Lock changed in between. Returns the
/// code the event is reported with (VK_SHIFT and VK_CONTROL for either side, as key messages
/// carry them), or 0 for an unknown key or a vk of 0.
int RecordKeyEvent(int key, int vk, bool down);

}  // namespace oru
