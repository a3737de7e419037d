// The game without a window: frames as fast as the rules and the composition go, for replays
// checked on a machine with no display and for measuring.
#include <cstdio>

#include "game/gmain.h"
#include "oru/data/escaped_name.h"
#include "oru/data/load_cancel.h"
#include "oru/platform/event_loop.h"

namespace brellow {

using namespace oru;

std::string GameWindow::RunHeadless(RunReplay* replay, std::uint64_t maxFrames) {
  SetReplay(replay);
  pacer.SetEnabled(false);
  const auto more = [&] {
    if (maxFrames != 0 && framesRun >= maxFrames) return false;
    // The end of a replay is where the recording ended: stop before StepFrame would leave for
    // the title.
    if (replay) return replay->FramesPlayed() < replay->Frames() && !ClosePending();
    return !ClosePending();
  };
  while (more()) StepFrame();
  SetReplay(nullptr);
  return Summary();
}

int GameApplication::RunHeadless() {
  auto* game = new GameWindow;
  mainWindow = game;
  // No sound device, no synthesizer: nothing would hear them.
  GameSettings quiet = settings;
  quiet.mute = true;
  game->ApplySettings(quiet);
  SetLoadCancelCheck(&ClosePending);
  game->LoadAssets();
  const bool opened = !LoadCancelled() && OpenRuns(*game);
  const bool cancelled = LoadCancelled();
  SetLoadCancelCheck(nullptr);
  if (cancelled) return 0;
  if (!opened) return 1;
  const std::string line =
      game->RunHeadless(settings.replayFile.empty() ? nullptr : &replay, settings.frames);
  game->SetRecorder(nullptr);
  if (!recorder.Close()) {
    std::fprintf(stderr, "brellow-didovez: %s: the recording could not be written completely\n",
                 EscapedPath(settings.recordFile).c_str());
    exitCode = 1;
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return exitCode;
}

}  // namespace brellow
