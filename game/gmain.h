// The game's application object and its window.
//
// GameApplication::Init creates the GameWindow, gives it its native window with the caption of
// string 1, lets it load its assets (OnCreate), shows it (as started, then maximised within a 640
// by 480 client area) and starts the game thread. From then on the primary thread only pumps
// messages, which reach the window's handlers; the game thread runs one frame per 30 ms slot
// (StepFrame) until a close request stops it.
//
// Threads: the handlers run on the primary thread, StepFrame on the game thread. They meet under
// frameLock (composing and presenting the picture) and through runRequested / threadAlive, the
// stop handshake of OnClose.
#pragma once

#include <atomic>
#include <cstdint>

#include "oru/platform/threads.h"
#include "oru/shell/application.h"
#include "oru/shell/frame_pacer.h"
#include "oru/shell/window.h"

namespace oru {

class GameWindow : public Window {
 public:
  GameWindow();
  ~GameWindow() override;

  bool OnCreate() override;
  void OnKeyDown(WParam virtualKey, LParam keyData, int reserved) override;
  void OnGetMinMaxInfo(MinMaxInfo* info) override;
  void OnClose() override;

  // Starts the game thread. runRequested and threadAlive are set before the thread exists, so a
  // close request handled before the thread is first scheduled still stops it.
  bool StartGameThread();

  // One frame of the game; always true.
  bool StepFrame();

  bool ThreadAlive() const { return threadAlive.load(std::memory_order_acquire); }

 protected:
  friend std::uint32_t GameThreadMain(void* window);

  // The wanted client area; bounds the window size.
  int clientWidth = 640;
  int clientHeight = 480;
  CriticalSection frameLock;
  FramePacer pacer;
  std::atomic<bool> runRequested{false};
  std::atomic<bool> threadAlive{false};
  std::uint32_t threadId = 0;
};

// The game thread's routine; window is the GameWindow. Returns 1 for a null window, else 0.
std::uint32_t GameThreadMain(void* window);

class GameApplication : public Application {
 public:
  bool Init() override;
  int Exit() override;
};

// The one application object of the program.
extern GameApplication gameApplication;

}  // namespace oru
