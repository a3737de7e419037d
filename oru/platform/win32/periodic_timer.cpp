// The periodic timer over the multimedia timer itself: timeSetEvent and timeKillEvent, at the
// system's 1 ms resolution while an event runs.
//
// The system runs every event's callback on its one timer thread. An event is killed with
// TIME_KILL_SYNCHRONOUS, so once timeKillEvent returns its callback is not running and never runs
// again, except when the kill comes from inside that very callback: then the event's record is
// freed by the tick itself once the callback has returned.
#include "oru/platform/periodic_timer.h"

#include <mutex>
#include <utility>

#include "oru/platform/threads.h"
#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

struct Event {
  PeriodicTimer::State* state = nullptr;
  std::uint32_t id = 0;
  UINT systemId = 0;
  PeriodicTimer::Callback callback = nullptr;
  std::uintptr_t user = 0;
  bool raised = false;
  bool retired = false;  // killed from inside its own tick: the tick frees it
};

std::atomic<std::uint32_t> lastEventId{0};

std::uint32_t NextEventId() {
  std::uint32_t id;
  do {
    id = lastEventId.fetch_add(1, std::memory_order_relaxed) + 1;
  } while (id == 0);
  return id;
}

// The event whose callback the timer thread is running.
thread_local Event* currentEvent = nullptr;

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
  if (!event->raised && event->state->timeCritical.load(std::memory_order_relaxed)) {
    // Asked once; a refusal leaves the thread as it was.
    event->raised = true;
    RaiseThreadPriority();
  }
  Event* const outer = currentEvent;
  currentEvent = event;
  event->callback(event->id, 0, event->user, 0, 0);
  currentEvent = outer;
  if (event->retired) delete event;
}

// Ends event's ticks.
void Kill(Event* event) {
  if (!event) return;
  timeKillEvent(event->systemId);
  timeEndPeriod(1);
  if (currentEvent == event)
    event->retired = true;
  else
    delete event;
}

}  // namespace

PeriodicTimer::PeriodicTimer() : state_(std::make_shared<State>()) {}

PeriodicTimer::~PeriodicTimer() { Stop(); }

std::uint32_t PeriodicTimer::Start(std::uint32_t periodMs, Callback callback, std::uintptr_t user) {
  Stop();
  if (periodMs < kMinPeriod || !callback) return 0;
  std::lock_guard lock(state_->mutex);
  auto* event = new Event{state_.get(), NextEventId(), 0, callback, user};
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
  // Outside the lock: the kill waits for a running tick, which may itself call Start or Stop.
  Kill(event);
}

void PeriodicTimer::SetTimeCritical(bool timeCritical) {
  state_->timeCritical.store(timeCritical, std::memory_order_relaxed);
}

std::uint32_t PeriodicTimer::Id() const { return state_->id.load(std::memory_order_acquire); }

}  // namespace oru
