// Default window processing replaced for the length of a test. Tests that drive windows with
// fake handles put a stand-in where the platform's DefWindowProc would run, and start and end
// with an empty message queue so no message leaks from one test into the next.
#pragma once

#include "oru/platform/event_loop.h"
#include "oru/shell/window.h"

namespace oru {

// Typically a member of a test fixture: ScopedDefaultWindowProc defaultProc_{&RecordDefault};
class ScopedDefaultWindowProc {
 public:
  explicit ScopedDefaultWindowProc(DefaultWindowProc proc) : previous_(SetDefaultWindowProc(proc)) {
    ResetMessageQueueForTesting();
  }
  ~ScopedDefaultWindowProc() {
    SetDefaultWindowProc(previous_);
    ResetMessageQueueForTesting();
  }
  ScopedDefaultWindowProc(const ScopedDefaultWindowProc&) = delete;
  ScopedDefaultWindowProc& operator=(const ScopedDefaultWindowProc&) = delete;

 private:
  DefaultWindowProc previous_;
};

}  // namespace oru
