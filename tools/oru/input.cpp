// `oru input`: opens a window and prints the pad's held buttons whenever they change, to try the
// key layouts and a joystick by hand.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "oru/input/pad.h"
#include "oru/platform/clock.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/joystick.h"
#include "oru/platform/native_window.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

constexpr const char* kButtonNames[kPadButtons] = {"up",      "right",   "down",    "left",
                                                   "button1", "button2", "button3", "button4"};

MessageResult InputWindowProc(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

bool ParseNumber(const std::string& text, int low, int high, int* value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

void PrintHeld(unsigned mask) {
  std::string line = "held:";
  if (mask == 0) line += " (none)";
  for (int n = 0; n < kPadButtons; ++n)
    if (mask & (1u << n)) line += std::string(" ") + kButtonNames[n];
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int RunInput(const std::vector<std::string>& args) {
  int layout = 0;
  int joystick = 0;
  int seconds = 0;  // 0: until the window is closed
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--layout" && hasValue && ParseNumber(args[i + 1], 0, kPadLayouts - 1, &layout)) {
      ++i;
    } else if (a == "--joystick" && hasValue && ParseNumber(args[i + 1], 0, 1, &joystick)) {
      ++i;
    } else if (a == "--seconds" && hasValue && ParseNumber(args[i + 1], 1, 86400, &seconds)) {
      ++i;
    } else {
      return Usage("input");
    }
  }

  if (!StartVideo()) {
    std::fprintf(stderr, "oru input: no display could be opened (%s)\n", VideoStartFailure());
    return 1;
  }
  if (!JoystickStartUp()) std::fprintf(stderr, "oru input: no joystick service; keyboard only\n");
  RegisterWindowClass("ORUINPUT", &InputWindowProc);
  const WindowHandle window = CreateNativeWindow("ORUINPUT", "oru input", WS_OVERLAPPEDWINDOW,
                                                 kUseDefault, kUseDefault, 640, 480);
  if (!window) {
    std::fprintf(stderr, "oru input: cannot create the window\n");
    return 1;
  }
  ShowNativeWindow(window, SW_SHOWNORMAL);
  std::printf("layout %d, joystick %d: press keys in the window; close it to end\n", layout,
              joystick);
  std::fflush(stdout);

  // The pad lives on its own thread, polled once a frame as the game does.
  std::atomic<bool> stop{false};
  std::thread poller([&] {
    Pad pad;
    pad.Configure(joystick, layout);
    unsigned last = ~0u;
    const std::uint32_t start = TimeGetTime();
    while (!stop.load()) {
      pad.Poll();
      unsigned mask = 0;
      for (int n = 0; n < kPadButtons; ++n)
        if (pad.Held(n)) mask |= 1u << n;
      if (mask != last) PrintHeld(mask);
      last = mask;
      if (seconds > 0 && TimeGetTime() - start >= static_cast<std::uint32_t>(seconds) * 1000u) {
        RequestClose();
        break;
      }
      SleepMs(30);
    }
  });

  MessageRecord m{};
  while (GetMessage(&m)) {
    TranslateMessage(m);
    DispatchMessage(m);
  }
  stop.store(true);
  poller.join();
  return 0;
}

const CommandRegistration kInput("input", "input [--layout 0-3] [--joystick 0|1] [--seconds N]",
                                 &RunInput);

}  // namespace
}  // namespace oru::tool
