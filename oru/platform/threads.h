/// \file
/// Threads and the re-entrant lock.
///
/// Each thread created here gets a small non-zero id, which is also its handle: the owner that
/// started it waits for it with WaitForThread before it lets go of what the thread uses, so no
/// thread of ours is still unwinding when the process ends. Other threads get an id on their
/// first query.
#pragma once

#include <cstdint>
#include <mutex>

namespace oru {

/// The function a thread runs; what it returns is the thread's exit code.
using ThreadRoutine = std::uint32_t (*)(void* argument);

/// A lock the owning thread may take again while it holds it, like a native critical section.
using CriticalSection = std::recursive_mutex;

/// Starts routine(argument) on a new thread at once. Returns its id, or 0 when the thread could
/// not be created. The routine's result is the thread's exit code; nothing reads it. A thread that
/// nobody waits for is collected by a later CreateThread once it has ended.
std::uint32_t CreateThread(ThreadRoutine routine, void* argument);

/// A timeout of WaitForThread that never runs out.
inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;

/// Waits until the thread id from CreateThread has ended and is gone from the system (its
/// routine has returned and its thread-local objects are destroyed), for at most timeoutMs
/// milliseconds, or without limit for kWaitForever. True once it has ended, and at once for an id
/// that ended earlier or was never handed out (0 included). False when the time ran out, and at
/// once when id is the calling thread's own, which can never end while it waits.
bool WaitForThread(std::uint32_t id, std::uint32_t timeoutMs);

/// The calling thread's id (never 0).
std::uint32_t CurrentThreadId();

/// Asks the system to run the calling thread ahead of ordinary work: real-time scheduling where it
/// grants that (directly with the right privileges, or through RealtimeKit, which needs none), else
/// a raised priority. For threads that must wake on time, such as a music timer. True when granted;
/// when refused the thread runs on as before and nothing is reported.
bool RaiseThreadPriority();

}  // namespace oru
