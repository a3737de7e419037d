// The periodic timer over the multimedia timer itself: timeSetEvent and timeKillEvent, at the
// system's 1 ms resolution while an event runs.
//
// The system runs every event's callback on its one timer thread. Stop never waits for that
// thread (a tick may be waiting for the caller): it marks the event dead, and the event's next
// tick, on the timer thread, kills it from inside its own callback, where timeKillEvent does not
// wait, and frees it.
#include "oru/platform/periodic_timer.h"

#include <mutex>
#include <utility>

#include "oru/platform/threads.h"
#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

struct Event {
  std::shared_ptr<PeriodicTimer::State> state;  // kept while the event may still tick
  std::uint32_t id = 0;
  UINT systemId = 0;
  PeriodicTimer::Callback callback = nullptr;
  std::uintptr_t user = 0;
  std::atomic<bool> alive{true};
  bool raised = false;
};

std::atomic<std::uint32_t> lastEventId{0};

std::uint32_t NextEventId() {
  std::uint32_t id;
  do {
    id = lastEventId.fetch_add(1, std::memory_order_relaxed) + 1;
  } while (id == 0);
  return id;
}

}  // namespace

struct PeriodicTimer::State {
  std::mutex mutex;
  Event* event = nullptr;
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> timeCritical{false};
};

namespace {

void CALLBACK Tick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  Event* event = reinterpret_cast<Event*>(user);
  if (event->alive.load(std::memory_order_acquire)) {
    if (!event->raised && event->state->timeCritical.load(std::memory_order_relaxed)) {
      // Asked once; a refusal leaves the thread as it was.
      event->raised = true;
      RaiseThreadPriority();
    }
    event->callback(event->id, 0, event->user, 0, 0);
  }
  // Stopped before or during this tick (the callback may have stopped its own timer).
  if (!event->alive.load(std::memory_order_acquire)) {
    timeKillEvent(event->systemId);
    timeEndPeriod(1);
    delete event;
  }
}

}  // namespace

PeriodicTimer::PeriodicTimer() : state_(std::make_shared<State>()) {}

PeriodicTimer::~PeriodicTimer() { Stop(); }

std::uint32_t PeriodicTimer::Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user) {
  Stop();
  if (periodMs < kMinPeriod || !callback) return 0;
  std::lock_guard lock(state_->mutex);
  auto* event = new Event;
  event->state = state_;
  event->id = NextEventId();
  event->callback = callback;
  event->user = user;
  timeBeginPeriod(1);
  // The id is known before the first tick can come.
  state_->id.store(event->id, std::memory_order_release);
  event->systemId = timeSetEvent(periodMs, 1, &Tick, reinterpret_cast<DWORD_PTR>(event),
                                 TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (event->systemId == 0) {
    timeEndPeriod(1);
    state_->id.store(0, std::memory_order_release);
    delete event;
    return 0;
  }
  state_->event = event;
  return event->id;
}

void PeriodicTimer::Stop() {
  Event* event = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    state_->id.store(0, std::memory_order_release);
    event = std::exchange(state_->event, nullptr);
  }
  // The event's next tick ends it; no tick of it calls back from now on.
  if (event) event->alive.store(false, std::memory_order_release);
}

void PeriodicTimer::SetTimeCritical(bool timeCritical) {
  state_->timeCritical.store(timeCritical, std::memory_order_relaxed);
}

std::uint32_t PeriodicTimer::Id() const { return state_->id.load(std::memory_order_acquire); }

}  // namespace oru
