// The entry point of BRELLOW-DIDOVEZ: the command line, a display, the data folder, then the
// application object's message loop.
#include <cstdio>
#include <cstdlib>

#include "game/gmain.h"
#include "game/options.h"
#include "oru/platform/native_window.h"
#include "oru/platform/process.h"

namespace {

// Everything after the command line; returns the exit code.
int RunGame(const brellow::GameSettings& settings) {
  if (settings.headless) {
    // Whatever might still reach for a device gets a stand-in, never the real one.
    oru::UseHeadlessDevices();
    brellow::EnterDataFolder(settings, std::getenv("ORU_DATA_DIR"), stderr);
    brellow::gameApplication.settings = settings;
    return brellow::gameApplication.RunHeadless();
  }
  // Without a display the game would run unseen until killed.
  if (!oru::StartVideo()) {
    std::fprintf(stderr, "brellow-didovez: no display could be opened (%s)\n",
                 oru::VideoStartFailure());
    return 1;
  }
  brellow::EnterDataFolder(settings, std::getenv("ORU_DATA_DIR"), stderr);
  brellow::gameApplication.settings = settings;
  brellow::gameApplication.Run(oru::ModuleInstance(), nullptr, oru::CommandLine(),
                               oru::SW_SHOWDEFAULT);
  return brellow::gameApplication.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  // A windowed program's --help, --version and error lines go to the console it was started from.
  oru::AttachParentConsole();
  argv = oru::Utf8Arguments(&argc, argv);
  // Before any other thread exists: the signal thread relies on every thread blocking them.
  oru::InstallCloseSignals();
  oru::StoreArguments(argc, argv);
  brellow::GameSettings settings;
  int exitCode = brellow::ParseCommandLine(argc, argv, &settings, stdout, stderr);
  if (exitCode == brellow::kRunGame) exitCode = brellow::CheckStartFiles(settings, stderr);
  if (exitCode == brellow::kRunGame) exitCode = RunGame(settings);
  // The game window takes the game thread, the music timer and the input thread with it; then
  // the platform's own threads end, so nothing of ours still runs while the process exits.
  brellow::gameApplication.DeleteMainWindow();
  oru::EndServiceThreads();
  return exitCode;
}
