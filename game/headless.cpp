// The game without a window: frames as fast as the rules and the composition go, for replays
// checked on a machine with no display and for measuring.
#include "game/gmain.h"
#include "oru/platform/event_loop.h"

namespace oru {

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

}  // namespace oru
