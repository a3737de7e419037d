// The end of a platform thread: what system libraries keep for the thread goes with it.
#pragma once

namespace oru {

// Frees what SDL keeps for the calling thread (its error text among others). SDL frees it only
// for threads it started itself; on ours it would be lost once the thread is joined. Every
// thread the platform starts calls this last.
void ReleaseThreadData();

}  // namespace oru
