// The event loop's own SDL event numbers, shared by the platform files that push them.
#pragma once

#include <cstdint>

namespace oru {

// Wakes the loop for a posted message.
std::uint32_t WakeEventType();
// Asks the primary thread to present a window's canvas; user.windowID names the window.
std::uint32_t ShowEventType();

// Starts SDL's event service once and lets other threads wake the loop from then on. Returns
// false when SDL cannot start it.
bool StartEvents();

// Pushes an event of our own; false when the event service is not running or the queue is full.
bool PushUserEvent(std::uint32_t type, std::uint32_t sdlWindowId);

}  // namespace oru
