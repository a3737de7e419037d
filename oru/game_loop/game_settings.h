// GameSettings: what RunGame is asked for (caption, scale, full screen, pacing, a frame limit, a
// run without a window), and the standard options that fill them from the command line.
//
//   oru::GameSettings settings{.caption = "my game"};
//   if (int code = oru::ReadGameOptions(argc, argv, settings); code != oru::kRunTheGame)
//     return code;                       // --help was shown, or an option was wrong
//   return oru::RunGame(settings, game);
//
// The options:
//   --frames N      stop after N frames
//   --headless      no window, no sound, no pacing: N frames as fast as they go (CI, tests)
//   --scale N       the window's client area N times the screen (1 to 4)
//   --full-screen   take the display over
//   --help          print the options and exit
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace oru {

/// What RunGame makes and how it runs the frames.
struct GameSettings {
  /// The window's caption, also the program name in messages RunGame prints.
  const char* caption = "Oru";
  /// The window's client area is the 640 by 480 screen times this (1 to 4).
  int scale = 1;
  /// Takes the display over once the window is shown.
  bool fullScreen = false;
  /// Milliseconds from one frame's start to the next's.
  int frameMs = 30;
  /// The run ends after this many frames; 0 runs until the game quits or is closed.
  std::uint64_t frames = 0;
  /// No window, no sound device and no pacing: frames run back to back on the calling thread.
  bool headless = false;
  /// Escape closes the window.
  bool escapeQuits = true;
  /// The pad's key layout (Pad::Configure).
  int padLayout = 0;
};

/// ReadGameOptions' answer when the game should run.
inline constexpr int kRunTheGame = -1;

/// Reads the standard options (see above) into settings. Returns kRunTheGame when the game should
/// run; otherwise the exit code to return: 0 after --help (printed to out), 2 after a misuse
/// (one line on err naming the option). Arguments it does not know go to rest when it is given,
/// and are a misuse otherwise. Also keeps the arguments for the application (StoreArguments).
int ReadGameOptions(int argc, char** argv, GameSettings& settings,
                    std::vector<std::string>* rest = nullptr, std::FILE* out = stdout,
                    std::FILE* err = stderr);

}  // namespace oru
