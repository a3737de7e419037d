// The periodic timer thread.
#include "oru/platform/periodic_timer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "oru/platform/thread_data_internal.h"
#include "oru/platform/threads.h"

namespace oru {

using SteadyClock = std::chrono::steady_clock;

// Shared between the owner and the timer thread, so a timer destroyed from inside its own tick
// can leave the thread to finish on its own.
struct PeriodicTimer::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::thread thread;
  bool quit = false;
  // The running event, if id is not 0.
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> timeCritical{false};
  std::chrono::microseconds period{0};
  Callback callback = nullptr;
  std::uintptr_t user = 0;
  SteadyClock::time_point deadline;
};

namespace {

// How far behind the timer may fall and still catch up.
constexpr std::chrono::milliseconds kCatchUpLimit{20};

std::atomic<std::uint32_t> lastEventId{0};

std::uint32_t NextEventId() {
  std::uint32_t id;
  do {
    id = lastEventId.fetch_add(1, std::memory_order_relaxed) + 1;
  } while (id == 0);
  return id;
}

// Identifies the timer whose thread is running, so that the owner can tell whether it is being
// called from inside its own tick.
thread_local const PeriodicTimer::State* currentTimer = nullptr;

void TimerThread(std::shared_ptr<PeriodicTimer::State> state) {
  currentTimer = state.get();
  bool raised = false;
  std::unique_lock lock(state->mutex);
  while (!state->quit) {
    if (!raised && state->timeCritical.load(std::memory_order_relaxed)) {
      // Asked once; a refusal leaves the thread as it was.
      raised = true;
      lock.unlock();
      RaiseThreadPriority();
      lock.lock();
      continue;
    }
    const std::uint32_t id = state->id.load(std::memory_order_relaxed);
    if (id == 0) {
      state->wake.wait(lock);
      continue;
    }
    const auto now = SteadyClock::now();
    if (now < state->deadline) {
      state->wake.wait_until(lock, state->deadline);
      continue;
    }
    state->deadline += state->period;
    // A few late wake-ups are made up by ticking again at once, so the average rate holds on a
    // busy machine; after a real stall the timer counts again from now instead of firing every
    // missed tick in a burst.
    if (now - state->deadline > kCatchUpLimit) state->deadline = now + state->period;
    const PeriodicTimer::Callback callback = state->callback;
    const std::uintptr_t user = state->user;
    lock.unlock();
    callback(id, 0, user, 0, 0);
    lock.lock();
  }
  lock.unlock();
  ReleaseThreadData();
}

}  // namespace

PeriodicTimer::PeriodicTimer() : state_(std::make_shared<State>()) {}

PeriodicTimer::~PeriodicTimer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->quit = true;
    state_->id.store(0, std::memory_order_relaxed);
  }
  state_->wake.notify_all();
  if (!state_->thread.joinable()) return;
  // A timer destroyed by its own callback cannot join its own thread; the thread sees quit when
  // the callback returns and ends, keeping the state alive until then.
  if (currentTimer == state_.get())
    state_->thread.detach();
  else
    state_->thread.join();
}

std::uint32_t PeriodicTimer::Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user) {
  Stop();
  if (periodMs < kMinPeriod || !callback) return 0;
  std::uint32_t id = 0;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->thread.joinable()) {
      try {
        state_->thread = std::thread(TimerThread, state_);
      } catch (const std::system_error&) {
        return 0;
      }
    }
    id = NextEventId();
    state_->period = std::chrono::milliseconds(periodMs);
    state_->callback = callback;
    state_->user = user;
    state_->deadline = SteadyClock::now() + state_->period;
    state_->id.store(id, std::memory_order_release);
  }
  state_->wake.notify_all();
  return id;
}

void PeriodicTimer::Stop() {
  std::lock_guard lock(state_->mutex);
  state_->id.store(0, std::memory_order_release);
  // The thread notices on its next wake-up; an idle thread just goes back to waiting.
}

void PeriodicTimer::SetTimeCritical(bool timeCritical) {
  state_->timeCritical.store(timeCritical, std::memory_order_relaxed);
  state_->wake.notify_all();
}

std::uint32_t PeriodicTimer::Id() const { return state_->id.load(std::memory_order_acquire); }

}  // namespace oru
