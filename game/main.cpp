// The entry point of BRELLOW-DIDOVEZ.
#include "game/gmain.h"
#include "oru/platform/native_window.h"
#include "oru/platform/process.h"

int main(int argc, char** argv) {
  // First, before any thread exists: the signal thread relies on every thread blocking them.
  oru::InstallCloseSignals();
  oru::StoreArguments(argc, argv);
  oru::gameApplication.Run(oru::ModuleInstance(), nullptr, oru::CommandLine(), oru::SW_SHOWDEFAULT);
  return 0;
}
