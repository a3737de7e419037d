// The message loop over the thread's system message queue. The system's window procedure turns
// what arrives into the library's messages (native_window.cpp); the loop hands them out in order,
// after the messages posted from other threads.
#include "oru/platform/event_loop.h"

#include <atomic>

#include "oru/platform/message_queue_internal.h"
#include "oru/platform/native_window.h"
#include "oru/platform/win32/win32_window_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

// One wake-up message in the thread's queue at a time, however many messages are posted.
std::atomic<bool> wakePending{false};

// Dispatches one system message to its window's procedure, which queues what it translates.
void Handle(const MSG& m) {
  if (m.hwnd == nullptr && m.message == kWakeLoopMessage) {
    wakePending = false;
    return;
  }
  DispatchMessageW(&m);
}

}  // namespace

void WakeMessageLoop() {
  const unsigned long primary = PrimaryThreadId();
  if (primary == 0 || wakePending.exchange(true)) return;
  if (!PostThreadMessageW(primary, kWakeLoopMessage, 0, 0)) wakePending = false;
}

bool ClosePending() {
  if (CloseRequestWaiting()) return true;
  if (PrimaryThreadId() != GetCurrentThreadId()) return false;
  // The close button reaches the window's procedure while the queue is pumped; what it turns
  // into waits among the translated messages.
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    Handle(m);
  }
  return TranslatedWaiting(WM_CLOSE);
}

bool GetMessage(MessageRecord* message) {
  StartVideo();
  for (;;) {
    if (TakeReadyMessage(message)) return message->message != WM_QUIT;
    MSG m;
    const BOOL got = GetMessageW(&m, nullptr, 0, 0);
    if (got == -1) {
      Sleep(10);
    } else if (got == 0) {
      // Somebody asked the system itself to end the loop.
      PostQuitMessage(static_cast<int>(m.wParam));
    } else {
      Handle(m);
    }
  }
}

bool PeekMessage(MessageRecord* message) {
  if (TakeReadyMessage(message)) return true;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT)
      PostQuitMessage(static_cast<int>(m.wParam));
    else
      Handle(m);
    if (TakeReadyMessage(message)) return true;
  }
  return false;
}

}  // namespace oru
