// Process start-up values, the signal thread and the end of the shared services' threads.
#include "oru/platform/process.h"

#include <SDL2/SDL_hints.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <string>
#include <system_error>
#include <thread>

#include "oru/platform/audio_device.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/midi_synth.h"

namespace oru {
namespace {

std::string& CommandLineText() {
  static std::string* text = new std::string;
  return *text;
}

char moduleMarker;

// The thread that turns SIGINT and SIGTERM into close requests, and its stop request. Never
// destroyed: a program that does not end it leaves it running through the exit.
std::thread& signalThread = *new std::thread;
std::atomic<bool> signalThreadQuit{false};

}  // namespace

void StoreArguments(int argc, char** argv) {
  std::string& text = CommandLineText();
  text.clear();
  for (int i = 1; i < argc && argv; ++i) {
    if (!argv[i]) continue;
    if (!text.empty()) text += ' ';
    text += argv[i];
  }
}

char* CommandLine() { return CommandLineText().data(); }

void* ModuleInstance() { return &moduleMarker; }

bool InstallCloseSignals() {
  if (signalThread.joinable()) return true;
  // The signals are ours to handle; SDL must not install handlers of its own.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigset_t previous;
  if (pthread_sigmask(SIG_BLOCK, &set, &previous) != 0) return false;
  signalThreadQuit.store(false, std::memory_order_release);
  try {
    signalThread = std::thread([set] {
      for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (signalThreadQuit.load(std::memory_order_acquire)) return;
        RequestClose();
      }
    });
  } catch (const std::system_error&) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  return true;
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
