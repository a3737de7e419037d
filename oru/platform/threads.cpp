// Threads over std::thread.
#include "oru/platform/threads.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace oru {
namespace {

std::atomic<std::uint32_t> lastThreadId{0};
thread_local std::uint32_t currentThreadId = 0;

std::uint32_t NextThreadId() {
  std::uint32_t id;
  do {
    id = lastThreadId.fetch_add(1, std::memory_order_relaxed) + 1;
  } while (id == 0);
  return id;
}

}  // namespace

std::uint32_t CreateThread(ThreadRoutine routine, void* argument) {
  if (!routine) return 0;
  // The id is chosen before the thread starts so that the thread sees the same value as the
  // caller from its first instruction on.
  const std::uint32_t id = NextThreadId();
  try {
    std::thread([routine, argument, id] {
      currentThreadId = id;
      routine(argument);
    }).detach();
  } catch (const std::system_error&) {
    return 0;
  }
  return id;
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

std::uint32_t CurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = NextThreadId();
  return currentThreadId;
}

}  // namespace oru
