// What every back end's threads share: the library's thread ids, and the end of a thread, where
// what system libraries keep for the thread goes with it.
#pragma once

#include <cstdint>

namespace oru {

// A fresh thread id (never 0). CreateThread takes it before the thread starts, so that the caller
// and the thread see the same value from the thread's first instruction on.
std::uint32_t NextThreadId();

// Makes id the calling thread's CurrentThreadId: the first thing a started thread does.
void AdoptThreadId(std::uint32_t id);

// Frees what the back end's libraries keep for the calling thread (SDL's error text, say). SDL
// frees it only for threads it started itself; on ours it would be lost once the thread is joined.
// Every thread the platform starts calls this last.
void ReleaseThreadData();

}  // namespace oru
