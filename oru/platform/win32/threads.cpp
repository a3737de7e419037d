// Threads over the system's own: CreateThread, WaitForSingleObject and thread priorities.
#include "oru/platform/threads.h"

#include <mutex>
#include <unordered_map>

#include "oru/platform/thread_data_internal.h"
#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

struct Start {
  ThreadRoutine routine;
  void* argument;
  std::uint32_t id;
};

// Every thread CreateThread started whose handle is still open. The system signals a thread's
// handle only once the thread has wholly ended, its thread-local objects destroyed, so a wait on
// the handle is the join.
struct ThreadTable {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, HANDLE> handles;
};

ThreadTable& Threads() {
  // Never destroyed: a thread nobody waited for may end while the process exits.
  static ThreadTable* const table = new ThreadTable;
  return *table;
}

DWORD WINAPI ThreadMain(LPVOID parameter) {
  const Start start = *static_cast<Start*>(parameter);
  delete static_cast<Start*>(parameter);
  AdoptThreadId(start.id);
  return start.routine(start.argument);
}

// Closes the handles of threads that have ended without a waiter, so that fire-and-forget
// threads do not pile up.
void CollectEnded() {
  ThreadTable& table = Threads();
  std::lock_guard lock(table.mutex);
  for (auto it = table.handles.begin(); it != table.handles.end();) {
    if (WaitForSingleObject(it->second, 0) == WAIT_OBJECT_0) {
      CloseHandle(it->second);
      it = table.handles.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

std::uint32_t CreateThread(ThreadRoutine routine, void* argument) {
  if (!routine) return 0;
  CollectEnded();
  const std::uint32_t id = NextThreadId();
  auto* start = new Start{routine, argument, id};
  ThreadTable& table = Threads();
  std::lock_guard lock(table.mutex);
  HANDLE handle = ::CreateThread(nullptr, 0, &ThreadMain, start, 0, nullptr);
  if (!handle) {
    delete start;
    return 0;
  }
  table.handles.emplace(id, handle);
  return id;
}

bool WaitForThread(std::uint32_t id, std::uint32_t timeoutMs) {
  if (id != 0 && id == CurrentThreadId()) return false;
  ThreadTable& table = Threads();
  HANDLE own = nullptr;
  {
    std::lock_guard lock(table.mutex);
    const auto it = table.handles.find(id);
    if (it == table.handles.end()) return true;
    // A handle of the waiter's own, so that another waiter closing the table's handle meanwhile
    // cannot pull it away.
    if (!DuplicateHandle(GetCurrentProcess(), it->second, GetCurrentProcess(), &own, SYNCHRONIZE,
                         FALSE, 0))
      return false;
  }
  const DWORD result = WaitForSingleObject(own, timeoutMs == kWaitForever ? INFINITE : timeoutMs);
  CloseHandle(own);
  if (result != WAIT_OBJECT_0) return false;
  std::lock_guard lock(table.mutex);
  const auto it = table.handles.find(id);
  if (it != table.handles.end()) {
    CloseHandle(it->second);
    table.handles.erase(it);
  }
  return true;
}

bool RaiseThreadPriority() {
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

// The system's own libraries free what they keep for a thread as it ends.
void ReleaseThreadData() {}

}  // namespace oru
