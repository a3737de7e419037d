// Threads over std::thread.
#include "oru/platform/threads.h"

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

std::uint32_t CurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = NextThreadId();
  return currentThreadId;
}

}  // namespace oru
