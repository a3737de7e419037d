// Threads and the re-entrant lock.
//
// Threads are created detached: nobody joins them, so a thread may end itself and its owner
// waits on flags instead (the way the game thread and the worker threads stop). Each thread
// created here gets a small non-zero id; other threads get one on their first query.
#pragma once

#include <cstdint>
#include <mutex>

namespace oru {

using ThreadRoutine = std::uint32_t (*)(void* argument);

// A lock the owning thread may take again while it holds it, like a native critical section.
using CriticalSection = std::recursive_mutex;

// Starts routine(argument) on a new detached thread at once. Returns its id, or 0 when the
// thread could not be created. The routine's result is the thread's exit code; nothing reads it.
std::uint32_t CreateThread(ThreadRoutine routine, void* argument);

// The calling thread's id (never 0).
std::uint32_t CurrentThreadId();

// Asks the system to run the calling thread ahead of ordinary work: real-time scheduling where it
// grants that (directly with the right privileges, or through RealtimeKit, which needs none), else
// a raised priority. For threads that must wake on time, such as a music timer. True when granted;
// when refused the thread runs on as before and nothing is reported.
bool RaiseThreadPriority();

}  // namespace oru
