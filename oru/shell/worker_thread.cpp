// The worker thread loop.
#include "oru/shell/worker_thread.h"

#include "oru/platform/threads.h"

namespace oru {
namespace {

// The worker whose loop runs on this thread, so that Stop and Start called from inside Step
// neither wait for themselves nor start a second loop.
thread_local const WorkerThread* currentWorker = nullptr;

}  // namespace

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() { Stop(); }

bool WorkerThread::Start() {
  if (currentWorker == this) {
    // Restarting from inside Step: the loop is this very thread, so it simply goes on.
    run_.store(true, std::memory_order_release);
    return true;
  }
  Stop();
  run_.store(true, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  threadId_ = CreateThread(&WorkerThread::ThreadMain, this);
  if (threadId_ == 0) {
    run_.store(false, std::memory_order_release);
    running_.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

bool WorkerThread::Stop() {
  run_.store(false, std::memory_order_release);
  if (currentWorker == this) return true;
  // The whole thread, not only its loop: nothing of it runs once the owner goes on.
  WaitForThread(threadId_, kWaitForever);
  return true;
}

std::uint32_t WorkerThread::ThreadMain(void* argument) {
  auto* self = static_cast<WorkerThread*>(argument);
  currentWorker = self;
  while (self->run_.load(std::memory_order_acquire) && self->Step()) {
  }
  currentWorker = nullptr;
  // The last touch of the object: once running is clear the owner may destroy it.
  self->running_.store(false, std::memory_order_release);
  return 0;
}

}  // namespace oru
