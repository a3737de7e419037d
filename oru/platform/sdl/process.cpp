// Process start-up values, the signal thread and the end of the shared services' threads.
#include "oru/platform/process.h"

#include <SDL2/SDL_hints.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

#include "oru/platform/audio_device.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/midi_synth.h"
#include "oru/platform/process_internal.h"
#include "oru/platform/thread_data_internal.h"

namespace oru {
namespace {

char moduleMarker;

std::atomic<void (*)()> cleanupAtSignal{nullptr};

void CleanUpAndEnd(int signal) {
  if (auto cleanup = cleanupAtSignal.load()) cleanup();
  // SA_RESETHAND has put the default action back: the signal ends the process once the handler
  // returns, with the status a shell expects (130 for Ctrl+C).
  raise(signal);
}

// The thread that turns SIGINT, SIGTERM and SIGHUP into close requests, and its stop request. Never
// destroyed: a program that does not end it leaves it running through the exit.
std::thread& signalThread = *new std::thread;
std::atomic<bool> signalThreadQuit{false};

}  // namespace

void* ModuleInstance() { return &moduleMarker; }

// POSIX hands the arguments over as the bytes typed, UTF-8 under a UTF-8 locale.
char** Utf8Arguments(int*, char** argv) { return argv; }

// A program started from a terminal keeps it; one started from the desktop has nowhere to write.
void AttachParentConsole() {}

bool InstallCloseSignals() {
  if (signalThread.joinable()) return true;
  // The signals are ours to handle; SDL must not install handlers of its own.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigset_t previous;
  if (pthread_sigmask(SIG_BLOCK, &set, &previous) != 0) return false;
  signalThreadQuit.store(false, std::memory_order_release);
  try {
    signalThread = std::thread([set] {
      for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (signalThreadQuit.load(std::memory_order_acquire)) break;
        RequestClose();
      }
      ReleaseThreadData();
    });
  } catch (const std::system_error&) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  return true;
}

bool InstallCleanupSignals(void (*cleanup)()) {
  cleanupAtSignal.store(cleanup);
  struct sigaction action {};
  action.sa_handler = &CleanUpAndEnd;
  action.sa_flags = SA_RESETHAND;
  sigfillset(&action.sa_mask);
  bool ok = true;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    ok = sigaction(signal, &action, nullptr) == 0 && ok;
  return ok;
}

void UseHeadlessBackEnd() {
  // SDL's own stand-ins, whoever starts SDL's video or audio later.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
}

void EndServiceThreads() {
  if (signalThread.joinable()) {
    // The signals stay blocked: one that comes now waits unseen until the process has ended.
    signalThreadQuit.store(true, std::memory_order_release);
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
  }
  SharedMidiSynthLoader().StopThread();
  CloseSharedAudioDevice();
}

}  // namespace oru
