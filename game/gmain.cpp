// The game's application object, its window and the game thread's loop.
#include "game/gmain.h"

#include <mutex>

#include "oru/platform/clock.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "oru/platform/resources.h"

namespace oru {

GameApplication gameApplication;

namespace {
constexpr std::uint32_t kFrameMs = 30;
}  // namespace

GameWindow::GameWindow() = default;

GameWindow::~GameWindow() = default;

bool GameWindow::OnCreate() { return true; }

void GameWindow::OnKeyDown(WParam virtualKey, LParam keyData, int reserved) {
  switch (virtualKey) {
    case VK_ESCAPE:
      PostMessage(handle, WM_CLOSE, 0, 0);
      break;
    case VK_F3:
      pacer.SetEnabled(!pacer.IsEnabled());
      break;
  }
  Window::OnKeyDown(virtualKey, keyData, reserved);
}

void GameWindow::OnGetMinMaxInfo(MinMaxInfo* info) {
  if (info && (clientWidth || clientHeight)) {
    Rect r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, GetWindowStyle(handle), false);
    info->maxTrackSize = {r.right - r.left, r.bottom - r.top};
  }
  Window::OnGetMinMaxInfo(info);
}

void GameWindow::OnClose() {
  runRequested.store(false, std::memory_order_release);
  // The game thread finishes the frame it is in, sleep included, and leaves its loop.
  while (threadAlive.load(std::memory_order_acquire)) SleepMs(1);
  Window::OnClose();
}

bool GameWindow::StartGameThread() {
  runRequested.store(true, std::memory_order_release);
  threadAlive.store(true, std::memory_order_release);
  threadId = CreateThread(&GameThreadMain, this);
  if (threadId == 0) {
    threadAlive.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

bool GameWindow::StepFrame() {
  if (pacer.Carry() == 0) {
    std::lock_guard lock(frameLock);
    // The picture of the frame is composed and presented here.
  }
  pacer.Wait(kFrameMs);
  return true;
}

std::uint32_t GameThreadMain(void* argument) {
  auto* window = static_cast<GameWindow*>(argument);
  if (!window) return 1;
  window->threadAlive.store(true, std::memory_order_release);
  while (window->runRequested.load(std::memory_order_acquire) && window->StepFrame()) {
  }
  window->threadAlive.store(false, std::memory_order_release);
  return 0;
}

bool GameApplication::Init() {
  auto* window = new GameWindow;
  mainWindow = window;
  char caption[100];
  LoadString(kStringCaption, caption, sizeof caption);
  const WindowHandle h = window->Create(nullptr, caption, 0);
  window->OnCreate();
  ShowNativeWindow(h, showCommand);
  UpdateNativeWindow(h);
  ShowNativeWindow(h, SW_SHOWMAXIMIZED);
  window->StartGameThread();
  return true;
}

int GameApplication::Exit() { return 0; }

}  // namespace oru
