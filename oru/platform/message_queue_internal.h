// The message queue every back end shares: messages posted from any thread, the quit and close
// requests, and the messages the primary thread has translated from the system's events and not
// yet handed out. The back end's loop fills it and waits for the system; the rest is here.
#pragma once

#include "oru/platform/event_loop.h"

namespace oru {

// Back end: wakes the primary thread's wait for the system's events so that it looks at the
// queue again. Called from any thread, with the queue's lock held, once the loop has said it is
// ready (MarkMessageLoopReady); cheap and coalescing.
void WakeMessageLoop();

// From now on posts wake the loop; before, the loop looks at the queue before it first waits.
void MarkMessageLoopReady();

// Primary thread: queues a message translated from a system event, behind those already there.
void QueueTranslated(const MessageRecord& message);

// Primary thread: the next message to hand out: a translated one, else a posted one, else the
// close request (WM_CLOSE for the main window, or the quit when none is open), else the quit.
// False when nothing is ready.
bool TakeReadyMessage(MessageRecord* message);

// Whether a RequestClose is still waiting to be handed out.
bool CloseRequestWaiting();

// Whether a translated message of this number waits to be handed out. Primary thread.
bool TranslatedWaiting(unsigned message);

}  // namespace oru
