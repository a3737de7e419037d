/// \file
/// A polling thread that repeats a step until told to stop or until the step says it is done.
///
///   class Poller : public oru::WorkerThread {
///     bool Step() override { Poll(); oru::SleepMs(10); return true; }   // on the worker thread
///    public:
///     ~Poller() { Stop(); }        // stop before the derived part goes away
///   };
///   Poller p;
///   p.Start();                     // stops a running thread first, then starts a new one
///   ...
///   p.Stop();                      // returns once the thread has ended
///
/// Stop waits for the thread itself to end (WaitForThread), so nothing of it is left running
/// when the owner goes on; called from inside Step it only asks the loop to end. A class deriving
/// from WorkerThread calls Stop in its own destructor, since Step must not run once the derived
/// part is gone.
#pragma once

#include <atomic>
#include <cstdint>

namespace oru {

/// A thread that calls Step until Step returns false or Stop is called.
class WorkerThread {
 public:
  WorkerThread();
  virtual ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  ///@{
  /// Stops the running thread, if any, and starts a new one. Returns false when the thread could
  /// not be created (nothing runs then).
  bool Start();
  /// Asks the loop to end and waits until the thread has ended. Always returns true.
  bool Stop();
  ///@}

  /// Whether the thread is running; any thread may ask.
  bool IsRunning() const { return running_.load(std::memory_order_acquire); }
  /// The running thread's id, 0 before Start.
  std::uint32_t ThreadId() const { return threadId_; }

 protected:
  /// One turn of the loop, on the worker thread. Returning false ends the thread.
  virtual bool Step() = 0;

 private:
  static std::uint32_t ThreadMain(void* self);

  std::atomic<bool> run_{false};
  std::atomic<bool> running_{false};
  std::uint32_t threadId_ = 0;
};

}  // namespace oru
