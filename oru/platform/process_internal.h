// What the back end does when the process asks for headless devices (UseHeadlessDevices).
#pragma once

namespace oru {

// Back end: makes whatever might still reach for a device take a stand-in.
void UseHeadlessBackEnd();

}  // namespace oru
