// Process start-up values, console control events as close requests, and the end of the shared
// services' threads.
#include "oru/platform/process.h"

#include <atomic>
#include <string>

#include "oru/platform/audio_device.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/midi_synth.h"
#include "oru/platform/process_internal.h"
#include "oru/platform/win32/joystick_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

std::atomic<void (*)()> cleanupAtSignal{nullptr};
std::atomic<bool> closeHandlerInstalled{false};

bool IsCloseEvent(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
}

// The system runs console handlers on a thread of its own, so a close request is all it does.
BOOL WINAPI CloseOnControl(DWORD event) {
  if (!IsCloseEvent(event)) return FALSE;
  RequestClose();
  return TRUE;
}

BOOL WINAPI CleanUpOnControl(DWORD event) {
  if (!IsCloseEvent(event)) return FALSE;
  if (auto cleanup = cleanupAtSignal.load()) cleanup();
  // Not handled: the default handler ends the process as it would have without this one.
  return FALSE;
}

}  // namespace

void* ModuleInstance() { return GetModuleHandleW(nullptr); }

bool InstallCloseSignals() {
  if (closeHandlerInstalled.exchange(true)) return true;
  if (SetConsoleCtrlHandler(&CloseOnControl, TRUE)) return true;
  closeHandlerInstalled = false;
  return false;
}

bool InstallCleanupSignals(void (*cleanup)()) {
  cleanupAtSignal.store(cleanup);
  return SetConsoleCtrlHandler(&CleanUpOnControl, TRUE) != 0;
}

// The sound and music devices look at HeadlessDevices before they open the system's.
void UseHeadlessBackEnd() {}

void EndServiceThreads() {
  if (closeHandlerInstalled.exchange(false)) SetConsoleCtrlHandler(&CloseOnControl, FALSE);
  SharedMidiSynthLoader().StopThread();
  CloseSharedAudioDevice();
  win32::StopJoystickThread();
}

}  // namespace oru
