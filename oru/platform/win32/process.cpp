// Process start-up values, console control events as close requests, and the end of the shared
// services' threads.
#include "oru/platform/process.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

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

// A standard handle that already leads somewhere: a file, a pipe or a console.
bool LeadsSomewhere(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  return GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void* ModuleInstance() { return GetModuleHandleW(nullptr); }

// The C runtime's argv is in the ANSI code page, which cannot hold every name; the wide command
// line can.
char** Utf8Arguments(int* argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return argv;
  static std::vector<std::string>& texts = *new std::vector<std::string>;
  static std::vector<char*>& pointers = *new std::vector<char*>;
  texts.clear();
  for (int i = 0; i < count; ++i) texts.push_back(win32::Narrow(wide[i]));
  LocalFree(wide);
  pointers.clear();
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  *argc = count;
  return pointers.data();
}

void AttachParentConsole() {
  const bool out = LeadsSomewhere(STD_OUTPUT_HANDLE), err = LeadsSomewhere(STD_ERROR_HANDLE);
  if (out && err) return;
  // Fails when the parent has no console (started from Explorer): the streams stay unopened.
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!err && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

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
