// The message queue shared by every back end's loop, and the loop's calls that need nothing of
// the system: posting, the quit and close requests, character translation and dispatching.
#include "oru/platform/message_queue_internal.h"

#include <deque>
#include <mutex>

#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/native_window.h"

namespace oru {
namespace {

// Filled by any thread, guarded by its mutex.
struct SharedQueue {
  std::mutex mutex;
  std::deque<MessageRecord> posted;
  bool quitPosted = false;
  int quitCode = 0;
  bool closeRequested = false;
  bool loopReady = false;
};

SharedQueue& Shared() {
  // Never destroyed: threads may still post while the process exits.
  static SharedQueue* queue = new SharedQueue;
  return *queue;
}

// Primary thread only.
std::deque<MessageRecord> translated;

void WakeLocked(const SharedQueue& q) {
  if (q.loopReady) WakeMessageLoop();
}

}  // namespace

void MarkMessageLoopReady() {
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  q.loopReady = true;
}

void QueueTranslated(const MessageRecord& message) { translated.push_back(message); }

bool TakeReadyMessage(MessageRecord* m) {
  if (!translated.empty()) {
    *m = translated.front();
    translated.pop_front();
    return true;
  }
  SharedQueue& q = Shared();
  std::unique_lock lock(q.mutex);
  if (!q.posted.empty()) {
    *m = q.posted.front();
    q.posted.pop_front();
    return true;
  }
  if (q.closeRequested) {
    q.closeRequested = false;
    lock.unlock();
    if (WindowHandle main = MainNativeWindow()) {
      *m = {main, WM_CLOSE, 0, 0};
      return true;
    }
    // Nothing to close: the request ends the loop.
    lock.lock();
    q.quitPosted = true;
    q.quitCode = 0;
  }
  if (q.quitPosted) {
    q.quitPosted = false;
    *m = {nullptr, WM_QUIT, static_cast<WParam>(q.quitCode), 0};
    return true;
  }
  return false;
}

bool CloseRequestWaiting() {
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  return q.closeRequested;
}

bool TranslatedWaiting(unsigned message) {
  for (const MessageRecord& m : translated)
    if (m.message == message) return true;
  return false;
}

bool PostMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  if (!window) return false;
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  q.posted.push_back({window, message, wParam, lParam});
  WakeLocked(q);
  return true;
}

void PostQuitMessage(int exitCode) {
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  q.quitPosted = true;
  q.quitCode = exitCode;
  WakeLocked(q);
}

void RequestClose() {
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  q.closeRequested = true;
  WakeLocked(q);
}

void TranslateMessage(const MessageRecord& m) {
  if (m.message != WM_KEYDOWN) return;
  const bool shift = GetAsyncKeyState(VK_SHIFT) != 0;
  const auto vk = static_cast<int>(m.wParam);
  int ch = 0;
  if (vk >= 'A' && vk <= 'Z')
    ch = shift ? vk : vk - 'A' + 'a';
  else if (vk >= '0' && vk <= '9' && !shift)
    ch = vk;
  else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
    ch = '0' + vk - VK_NUMPAD0;
  else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK || vk == VK_TAB)
    ch = vk;
  if (ch) translated.push_front({m.window, WM_CHAR, static_cast<WParam>(ch), m.lParam});
}

MessageResult DispatchMessage(const MessageRecord& m) {
  if (!m.window) return 0;
  return SendMessage(m.window, m.message, m.wParam, m.lParam);
}

void ResetMessageQueueForTesting() {
  translated.clear();
  SharedQueue& q = Shared();
  std::lock_guard lock(q.mutex);
  q.posted.clear();
  q.quitPosted = false;
  q.quitCode = 0;
  q.closeRequested = false;
}

}  // namespace oru
