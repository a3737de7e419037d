// Threads over std::thread.
#include "oru/platform/threads.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "oru/platform/thread_data_internal.h"

namespace oru {
namespace {

// Every thread CreateThread started and nobody has joined yet.
struct ThreadTable {
  struct Entry {
    std::thread thread;
    bool ended = false;  // the routine has returned
    bool taken = false;  // a waiter is joining it
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::unordered_map<std::uint32_t, Entry> entries;
};

ThreadTable& Threads() {
  // Never destroyed: a thread nobody waited for may end while the process exits.
  static ThreadTable* const table = new ThreadTable;
  return *table;
}

void MarkEnded(std::uint32_t id) {
  ThreadTable& table = Threads();
  {
    std::lock_guard lock(table.mutex);
    table.entries[id].ended = true;
  }
  table.changed.notify_all();
}

// Joins the threads that have ended without a waiter, so that fire-and-forget threads do not
// pile up. Their routines have returned, so each join lasts only the thread's teardown. Taken
// like a waiter takes one, so that a WaitForThread meanwhile returns only after the join.
void CollectEnded() {
  ThreadTable& table = Threads();
  std::vector<std::pair<std::uint32_t, std::thread>> ended;
  std::unique_lock lock(table.mutex);
  for (auto& [id, entry] : table.entries) {
    if (!entry.ended || entry.taken) continue;
    entry.taken = true;
    ended.emplace_back(id, std::move(entry.thread));
  }
  if (ended.empty()) return;
  lock.unlock();
  for (auto& [id, thread] : ended) thread.join();
  lock.lock();
  for (auto& [id, thread] : ended) table.entries.erase(id);
  lock.unlock();
  table.changed.notify_all();
}

}  // namespace

std::uint32_t CreateThread(ThreadRoutine routine, void* argument) {
  if (!routine) return 0;
  CollectEnded();
  // The id is chosen before the thread starts so that the thread sees the same value as the
  // caller from its first instruction on.
  const std::uint32_t id = NextThreadId();
  ThreadTable& table = Threads();
  // The entry exists before the thread does, and the lock keeps the thread from marking it
  // ended before its std::thread is stored.
  std::lock_guard lock(table.mutex);
  try {
    table.entries[id].thread = std::thread([routine, argument, id] {
      AdoptThreadId(id);
      routine(argument);
      ReleaseThreadData();
      MarkEnded(id);
    });
  } catch (const std::exception&) {
    table.entries.erase(id);
    return 0;
  }
  return id;
}

bool WaitForThread(std::uint32_t id, std::uint32_t timeoutMs) {
  if (id != 0 && id == CurrentThreadId()) return false;
  ThreadTable& table = Threads();
  std::unique_lock lock(table.mutex);
  // Ready once the routine has returned and no other waiter is joining it, or once the entry is
  // gone (joined by somebody else, or never there).
  auto ready = [&] {
    const auto it = table.entries.find(id);
    return it == table.entries.end() || (it->second.ended && !it->second.taken);
  };
  if (timeoutMs == kWaitForever) {
    table.changed.wait(lock, ready);
  } else if (!table.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  const auto it = table.entries.find(id);
  if (it == table.entries.end()) return true;
  it->second.taken = true;
  std::thread thread = std::move(it->second.thread);
  lock.unlock();
  thread.join();
  lock.lock();
  table.entries.erase(id);
  lock.unlock();
  table.changed.notify_all();
  return true;
}

bool RaiseThreadPriority() {
  const pthread_t self = pthread_self();
  int policy = SCHED_OTHER;
  sched_param param{};
  if (pthread_getschedparam(self, &policy, &param) == 0 &&
      (policy == SCHED_RR || policy == SCHED_FIFO))
    return true;
  // Directly first: granted to privileged processes and to users with a real-time allowance
  // (RLIMIT_RTPRIO), and only a system call. A low real-time priority is plenty to run ahead of
  // every ordinary thread. The policy is not inherited by threads this one starts.
  param.sched_priority = std::min(10, sched_get_priority_max(SCHED_RR));
  if (pthread_setschedparam(self, SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0) return true;
  // Then through SDL, which asks RealtimeKit over D-Bus. Time-critical is only a nice level
  // unless SDL is told to make it real time.
  SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
  return SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL) == 0;
}

void ReleaseThreadData() { SDL_TLSCleanup(); }

}  // namespace oru
