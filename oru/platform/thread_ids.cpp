// The library's thread ids: small numbers of its own, never 0, the same on every system, handed out
// as threads start or first ask.
#include <atomic>
#include <cstdint>

#include "oru/platform/thread_data_internal.h"
#include "oru/platform/threads.h"

namespace oru {
namespace {

std::atomic<std::uint32_t> lastThreadId{0};
thread_local std::uint32_t currentThreadId = 0;

}  // namespace

std::uint32_t NextThreadId() {
  std::uint32_t id;
  do {
    id = lastThreadId.fetch_add(1, std::memory_order_relaxed) + 1;
  } while (id == 0);
  return id;
}

void AdoptThreadId(std::uint32_t id) { currentThreadId = id; }

std::uint32_t CurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = NextThreadId();
  return currentThreadId;
}

}  // namespace oru
