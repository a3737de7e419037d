// The joystick readings every back end publishes: one atomic word per id for the position and
// buttons, the ranges and names of the capability record. The back end's reader writes them;
// the queries of joystick.h read them from any thread.
#pragma once

#include <cstdint>

namespace oru {

// The name the capability record gives id: name cut to 31 bytes (never inside a UTF-8
// character), "Joystick" for a null or empty name.
void SetJoystickName(unsigned id, const char* name);

// The x and y ranges id reports (SetJoystickRange), for readers that map a hat onto them.
void GetJoystickRange(unsigned id, std::uint32_t* xMin, std::uint32_t* xMax, std::uint32_t* yMin,
                      std::uint32_t* yMax);

}  // namespace oru
