// The end of a platform thread: what system libraries keep for the thread goes with it.
#pragma once

namespace oru {

// Frees what the back end's libraries keep for the calling thread (SDL's error text, say). SDL
// frees it only for threads it started itself; on ours it would be lost once the thread is joined.
// Every thread the platform starts calls this last.
void ReleaseThreadData();

}  // namespace oru
