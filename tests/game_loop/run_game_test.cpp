// RunGame: the order of Load, Frame, Paint and Close, the frame limit, the ways a run ends
// (Quit, Escape, the close button, a close signal), headless runs, and the threads each step
// runs on.
#include "oru/game_loop/game.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/keyed_sprite.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/threads.h"
#include "tests/support/test_system.h"

namespace oru {
namespace {

// Records what RunGame asked of it; what it does in a frame is up to each test.
class RecordingGame : public Game {
 public:
  bool Load(GameContext& context) override {
    steps.push_back("load");
    loadThread = CurrentThreadId();
    loadWindow = context.Window();
    return loads;
  }
  void Frame(GameContext& context) override {
    frameNumbers.push_back(context.FrameNumber());
    frameThread = CurrentThreadId();
    if (onFrame) onFrame(context);
  }
  void Paint(GameContext& context) override {
    ++paints;
    Game::Paint(context);
  }
  void Close(GameContext&) override {
    steps.push_back("close");
    closeThread = CurrentThreadId();
  }

  bool loads = true;
  std::function<void(GameContext&)> onFrame;
  std::vector<std::string> steps;
  std::vector<std::uint64_t> frameNumbers;
  int paints = 0;
  std::uint32_t loadThread = 0, frameThread = 0, closeThread = 0;
  WindowHandle loadWindow = nullptr;
};

GameSettings Headless(std::uint64_t frames) {
  GameSettings settings;
  settings.caption = "run-game-test";
  settings.headless = true;
  settings.frames = frames;
  return settings;
}

GameSettings Windowed(std::uint64_t frames) {
  GameSettings settings = Headless(frames);
  settings.headless = false;
  settings.frameMs = 1;
  return settings;
}

TEST(RunGameTest, HeadlessRunsTheFramesInOrderOnTheCallingThread) {
  RecordingGame game;
  EXPECT_EQ(RunGame(Headless(5), game), 0);
  EXPECT_EQ(game.steps, (std::vector<std::string>{"load", "close"}));
  EXPECT_EQ(game.frameNumbers, (std::vector<std::uint64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(game.paints, 5);  // no pacing, so no frame is late
  EXPECT_EQ(game.loadWindow, nullptr);
  EXPECT_EQ(game.frameThread, CurrentThreadId());
  EXPECT_EQ(game.closeThread, CurrentThreadId());
}

TEST(RunGameTest, QuitEndsTheRunAfterThatFrameWithItsCode) {
  for (const bool headless : {true, false}) {
    SCOPED_TRACE(headless ? "headless" : "windowed");
    RecordingGame game;
    game.onFrame = [](GameContext& g) {
      if (g.FrameNumber() == 2) g.Quit(7);
    };
    EXPECT_EQ(RunGame(headless ? Headless(1000) : Windowed(1000), game), 7);
    EXPECT_EQ(game.frameNumbers.size(), 3u);
    EXPECT_EQ(game.steps, (std::vector<std::string>{"load", "close"}));
  }
}

TEST(RunGameTest, AFailedLoadRunsNoFrameButStillCloses) {
  for (const bool headless : {true, false}) {
    SCOPED_TRACE(headless ? "headless" : "windowed");
    RecordingGame game;
    game.loads = false;
    EXPECT_EQ(RunGame(headless ? Headless(10) : Windowed(10), game), 1);
    EXPECT_TRUE(game.frameNumbers.empty());
    EXPECT_EQ(game.steps, (std::vector<std::string>{"load", "close"}));
  }
}

// Windowed, the frames run on a thread of their own; Load and Close on the caller's, with the
// window there.
TEST(RunGameTest, WindowedFramesRunOnTheGameThreadUpToTheLimit) {
  RecordingGame game;
  EXPECT_EQ(RunGame(Windowed(4), game), 0);
  EXPECT_EQ(game.frameNumbers, (std::vector<std::uint64_t>{0, 1, 2, 3}));
  EXPECT_NE(game.loadWindow, nullptr);
  EXPECT_EQ(game.loadThread, CurrentThreadId());
  EXPECT_EQ(game.closeThread, CurrentThreadId());
  EXPECT_NE(game.frameThread, CurrentThreadId());
  EXPECT_NE(game.frameThread, 0u);
}

// Each way a player or the system ends a windowed run, sent from inside a frame; the limit is
// only a backstop, far beyond where the run should have ended.
TEST(RunGameTest, EscapeTheCloseButtonAndCloseRequestsEndAWindowedRun) {
  constexpr std::uint64_t kBackstop = 3000;
  struct Case {
    const char* name;
    bool escapeQuits;
    void (*send)(WindowHandle window);
    bool ends;
  };
  const Case cases[] = {
      {"Escape", true, [](WindowHandle w) { PostMessage(w, WM_KEYDOWN, VK_ESCAPE, 0); }, true},
      {"Escape switched off", false,
       [](WindowHandle w) { PostMessage(w, WM_KEYDOWN, VK_ESCAPE, 0); }, false},
      {"close button", true, [](WindowHandle w) { PostMessage(w, WM_CLOSE, 0, 0); }, true},
      {"close request (Ctrl+C)", true, [](WindowHandle) { RequestClose(); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingGame game;
    game.onFrame = [&c](GameContext& g) {
      if (g.FrameNumber() == 1) c.send(g.Window());
    };
    GameSettings settings = Windowed(kBackstop);
    settings.escapeQuits = c.escapeQuits;
    EXPECT_EQ(RunGame(settings, game), 0);
    EXPECT_EQ(game.steps, (std::vector<std::string>{"load", "close"}));
    if (c.ends) {
      EXPECT_LT(game.frameNumbers.size(), kBackstop);
    } else {
      EXPECT_EQ(game.frameNumbers.size(), kBackstop);
    }
  }
}

// SIGTERM and SIGINT sent to the process become a close request: the run ends in order instead
// of the process ending.
TEST(RunGameTest, ACloseSignalEndsAHeadlessRunInOrder) {
  if (!test::HasPosixSignals()) GTEST_SKIP() << "no POSIX signals on this system";
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    RecordingGame game;
    bool sent = false;
    game.onFrame = [&](GameContext&) {
      if (!sent) sent = test::SignalThisProcess(signal);
      // The signal thread turns it into a close request; give it time without busy-spinning.
      std::this_thread::yield();
    };
    // No frame limit that could end the run instead: only the close request can.
    EXPECT_EQ(RunGame(Headless(0), game), 0);
    EXPECT_TRUE(sent);
    EXPECT_EQ(game.steps, (std::vector<std::string>{"load", "close"}));
  }
}

// The default Paint composes the backdrop and the scene into the screen.
TEST(RunGameTest, TheDefaultPaintComposesBackdropAndScene) {
  class Painter : public Game {
   public:
    bool Load(GameContext& g) override {
      g.backdrop.Fill(0);
      sprite.Create(8, 8);
      sprite.Fill(kConvertedTransparentIndex);
      sprite.FillRectIndex(Rect{2, 2, 6, 6}, 40);
      PrepareSprite(sprite);
      sprite.SetPosition(100, 50);
      g.scene.AddChild(&sprite);
      return true;
    }
    void Frame(GameContext& g) override {
      if (g.FrameNumber() == 2) {
        seen[0] = g.screen.PixelAt(100, 50);  // a keyed corner: the backdrop shows
        seen[1] = g.screen.PixelAt(103, 53);
      }
    }
    Surface sprite;
    int seen[2] = {-2, -2};
  } game;
  EXPECT_EQ(RunGame(Headless(3), game), 0);
  EXPECT_EQ(game.seen[0], 0);
  EXPECT_EQ(game.seen[1], game.sprite.PixelAt(3, 3));
  EXPECT_NE(game.seen[1], 0);
}

}  // namespace
}  // namespace oru
