// Game and RunGame: a whole game loop in one call. The program describes its game in four
// steps; RunGame makes the application, the window and the screen, runs the frames on a paced
// game thread and closes everything in order.
//
//   class Hello : public oru::Game {
//     bool Load(oru::GameContext& g) override {
//       g.backdrop.GradientFill(0x804010, 0xF0C080);
//       oru::LoadSprite(ship, "ship.bmp");
//       g.scene.AddChild(&ship);
//       return true;
//     }
//     void Frame(oru::GameContext& g) override {
//       if (g.pad.Held(oru::PadRight)) ship.MoveBy(4, 0, 0);
//     }
//     oru::Surface ship;
//   };
//   int main(int argc, char** argv) {
//     oru::GameSettings settings{.caption = "hello"};
//     if (int code = oru::ReadGameOptions(argc, argv, settings); code != oru::kRunTheGame)
//       return code;
//     Hello game;
//     return oru::RunGame(settings, game);
//   }
//
// Threads: Load and Close run on the calling (primary) thread, Frame and Paint on the game
// thread, each frame's pair under the frame lock that window repaints also take, so a repaint
// never shows a half-updated scene. Without a window (GameSettings::headless) everything runs
// on the calling thread.
//
// The run ends when the game calls Quit, after GameSettings::frames frames, on Escape, on the
// window's close button, and on Ctrl+C, SIGTERM or a closed terminal (InstallCloseSignals): the
// game thread finishes its frame and ends, then Close runs, then the window goes.
#pragma once

#include <atomic>
#include <cstdint>

#include "oru/game_loop/game_settings.h"
#include "oru/graphics/screen_surface.h"
#include "oru/graphics/surface.h"
#include "oru/input/pad.h"
#include "oru/platform/messages.h"

namespace oru {

/// What a running game reaches: the screen with its backdrop and scene, the pad, the window and
/// the run's state. RunGame makes it before Load and keeps it until after Close.
class GameContext {
 public:
  /// The screen, backdrop and scene at 640 by 480, the pad configured with settings' layout.
  explicit GameContext(const GameSettings& settings);
  GameContext(const GameContext&) = delete;
  GameContext& operator=(const GameContext&) = delete;

  /// The 640 by 480 surface composed every frame and shown in the window.
  ScreenSurface screen;
  /// The screen's backdrop: restored under last frame's sprites. Draw the background here.
  Surface backdrop;
  /// The screen's scene, a group: add sprites with scene.AddChild.
  Surface scene;
  /// The pad, polled by RunGame before each Frame.
  Pad pad;

  /// The settings the run was started with.
  const GameSettings& Settings() const { return settings_; }
  /// The window; null in a headless run (sounds then need none).
  WindowHandle Window() const { return window_; }
  /// Whether the run has no window, no sound and no pacing.
  bool Headless() const { return settings_.headless; }
  /// Frames finished before the current one (0 during the first Frame).
  std::uint64_t FrameNumber() const { return frames_; }
  /// Ends the run after the current frame; RunGame then returns exitCode. Any thread.
  void Quit(int exitCode = 0);
  /// Whether Quit was called.
  bool QuitRequested() const { return quit_.load(std::memory_order_acquire); }
  /// The exit code RunGame returns.
  int ExitCode() const { return exitCode_.load(std::memory_order_acquire); }

 private:
  friend class GameRunner;
  GameSettings settings_;
  WindowHandle window_ = nullptr;
  std::uint64_t frames_ = 0;
  std::atomic<bool> quit_{false};
  std::atomic<int> exitCode_{0};
};

/// A game for RunGame. Only Load and Frame are required.
class Game {
 public:
  /// Games are destroyed through this class.
  virtual ~Game() = default;
  /// Once, before the first frame, with the window made (not yet shown): pictures, sounds,
  /// music. False ends the run with exit code 1 (say why on stderr). Primary thread.
  virtual bool Load(GameContext& context) = 0;
  /// One frame of rules: the pad has just been polled. Game thread, under the frame lock.
  virtual void Frame(GameContext& context) = 0;
  /// Composes the frame and shows it; the default updates the screen into the window
  /// (ScreenSurface::Update). Skipped for a frame that is late. Game thread, under the frame
  /// lock.
  virtual void Paint(GameContext& context);
  /// Once, after the last frame (also when Load failed), while the window still exists: stop
  /// the music, save what should be kept. The default does nothing. Primary thread.
  virtual void Close(GameContext& context);
};

/// Runs game with settings (see above) and returns the exit code: 0, the code given to Quit, 1
/// when Load failed or no display or window could be had. Call it from main on the primary
/// thread before the program starts threads of its own (Ctrl+C is handled from here on). The
/// platform's service threads have ended when it returns, so sounds kept past it are silent.
int RunGame(const GameSettings& settings, Game& game);

}  // namespace oru
