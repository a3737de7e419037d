// The Win32 back end's joystick thread, for the end of the run.
#pragma once

namespace oru::win32 {

// Ends the thread that reads the joysticks, once it has finished a reading; the queries then
// report what was last published. Nothing starts it again. For EndServiceThreads.
void StopJoystickThread();

}  // namespace oru::win32
