// RunGame: the application, the window, the paced game thread and the order things close in.
#include "oru/game_loop/game.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

#include "oru/platform/canvas.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "oru/platform/process.h"
#include "oru/platform/threads.h"
#include "oru/shell/application.h"
#include "oru/shell/frame_pacer.h"
#include "oru/shell/window.h"

namespace oru {

GameContext::GameContext(const GameSettings& settings) : settings_(settings) {
  screen.Create(ScreenSurface::kDisplayWidth, ScreenSurface::kDisplayHeight);
  backdrop.Create(ScreenSurface::kDisplayWidth, ScreenSurface::kDisplayHeight);
  screen.SetBackdrop(&backdrop);
  screen.SetScene(&scene);
  pad.Configure(0, settings.padLayout);
}

void GameContext::Quit(int exitCode) {
  exitCode_.store(exitCode, std::memory_order_release);
  quit_.store(true, std::memory_order_release);
}

void Game::Paint(GameContext& context) { context.screen.Update(CanvasOf(context.Window()), 0, 0); }

void Game::Close(GameContext&) {}

// The frames of one run, windowed or not; the window and the application below drive it.
class GameRunner {
 public:
  GameRunner(const GameSettings& settings, Game& game) : context(settings), game_(game) {}

  // One frame: pad, rules, composition. False when the run should end after it.
  bool Step(bool paint) {
    context.pad.Poll();
    {
      std::lock_guard lock(frameLock);
      game_.Frame(context);
      if (paint) game_.Paint(context);
    }
    ++context.frames_;
    const std::uint64_t limit = context.settings_.frames;
    return !context.QuitRequested() && (limit == 0 || context.frames_ < limit);
  }

  bool Load(WindowHandle window) {
    context.window_ = window;
    context.screen.window = window;
    loaded_ = true;
    if (game_.Load(context)) return true;
    context.Quit(1);
    return false;
  }

  // Close once, and only after a Load.
  void Close() {
    if (!loaded_) return;
    loaded_ = false;
    game_.Close(context);
  }

  int RunHeadless() {
    if (Load(nullptr)) {
      while (!ClosePending() && Step(true)) {
      }
    }
    // The close request (Ctrl+C) was answered: take it, so that it does not end the next run.
    MessageRecord message;
    if (ClosePending())
      while (PeekMessage(&message) && message.message != WM_QUIT) {
      }
    Close();
    return context.ExitCode();
  }

  GameContext context;
  CriticalSection frameLock;

 private:
  Game& game_;
  bool loaded_ = false;
};

namespace {

class GameLoopWindow : public Window {
 public:
  explicit GameLoopWindow(GameRunner& runner) : runner_(runner) {}
  ~GameLoopWindow() override { StopThread(); }

  bool StartThread() {
    running_.store(true, std::memory_order_release);
    threadId_ = CreateThread(&ThreadMain, this);
    return threadId_ != 0;
  }

  void OnPaint() override {
    std::lock_guard lock(runner_.frameLock);
    runner_.context.screen.RequestFullRedraw();
    runner_.context.screen.Update(CanvasOf(handle), 0, 0);
  }

  void OnKeyDown(WParam key, LParam data, int reserved) override {
    if (key == VK_ESCAPE && runner_.context.Settings().escapeQuits)
      PostMessage(handle, WM_CLOSE, 0, 0);
    Window::OnKeyDown(key, data, reserved);
  }

  void OnGetMinMaxInfo(MinMaxInfo* info) override {
    if (info) {
      const int scale = std::clamp(runner_.context.Settings().scale, 1, 4);
      Rect r{0, 0, Canvas::kWidth * scale, Canvas::kHeight * scale};
      AdjustWindowRect(&r, GetWindowStyle(handle), false);
      info->maxTrackSize = {r.right - r.left, r.bottom - r.top};
    }
    Window::OnGetMinMaxInfo(info);
  }

  // The game thread ends before the game closes, and the game closes while the window is still
  // there; default processing then destroys the window, which ends the message loop.
  void OnClose() override {
    StopThread();
    {
      std::lock_guard lock(runner_.frameLock);
      runner_.context.screen.SetFullScreen(0);
    }
    runner_.Close();
    Window::OnClose();
  }

 private:
  static std::uint32_t ThreadMain(void* argument) {
    auto* self = static_cast<GameLoopWindow*>(argument);
    FramePacer pacer;
    const auto interval =
        static_cast<std::uint32_t>(std::max(1, self->runner_.context.Settings().frameMs));
    while (self->running_.load(std::memory_order_acquire)) {
      // A late frame is played but not shown, so the game keeps time.
      if (!self->runner_.Step(pacer.Carry() == 0)) {
        PostMessage(self->handle, WM_CLOSE, 0, 0);
        break;
      }
      pacer.Wait(interval);
    }
    return 0;
  }

  void StopThread() {
    running_.store(false, std::memory_order_release);
    WaitForThread(threadId_, kWaitForever);
    threadId_ = 0;
  }

  GameRunner& runner_;
  std::atomic<bool> running_{false};
  std::uint32_t threadId_ = 0;
};

class GameLoopApplication : public Application {
 public:
  explicit GameLoopApplication(GameRunner& runner) : runner_(runner) {}

  bool Init() override {
    auto* window = new GameLoopWindow(runner_);
    mainWindow = window;
    const GameSettings& settings = runner_.context.Settings();
    const WindowHandle h = window->Create(nullptr, settings.caption, 0);
    if (!h) {
      std::fprintf(stderr, "%s: the window could not be made\n", settings.caption);
      runner_.context.Quit(1);
      PostQuitMessage(1);
      return false;
    }
    const int scale = std::clamp(settings.scale, 1, 4);
    if (scale > 1) SetClientSize(h, Canvas::kWidth * scale, Canvas::kHeight * scale);
    // Joysticks are seen only once the primary thread has started their service.
    JoystickStartUp();
    if (!runner_.Load(h)) {
      // Closed like any window, so the loop ends as it always does.
      PostMessage(h, WM_CLOSE, 0, 0);
      return false;
    }
    ShowNativeWindow(h, SW_SHOWNORMAL);
    UpdateNativeWindow(h);
    if (settings.fullScreen) {
      std::lock_guard lock(runner_.frameLock);
      runner_.context.screen.SetFullScreen(1);
    }
    if (!window->StartThread()) {
      std::fprintf(stderr, "%s: the game thread could not be started\n", settings.caption);
      runner_.context.Quit(1);
      PostMessage(h, WM_CLOSE, 0, 0);
      return false;
    }
    return true;
  }

 private:
  GameRunner& runner_;
};

}  // namespace

int RunGame(const GameSettings& settings, Game& game) {
  InstallCloseSignals();
  auto runner = std::make_unique<GameRunner>(settings, game);
  int exitCode = 0;
  if (settings.headless) {
    // Whatever might still reach for a device gets a stand-in, never the real one.
    UseHeadlessDevices();
    exitCode = runner->RunHeadless();
  } else if (!StartVideo()) {
    std::fprintf(stderr, "%s: no display could be opened (%s)\n", settings.caption,
                 VideoStartFailure());
    exitCode = 1;
  } else {
    {
      GameLoopApplication application(*runner);
      application.Run(ModuleInstance(), nullptr, CommandLine(), SW_SHOWNORMAL);
      // The application deletes its window here, which waits for the game thread.
    }
    exitCode = runner->context.ExitCode();
  }
  runner.reset();
  EndServiceThreads();
  return exitCode;
}

}  // namespace oru
