// Starts a program and watches the X display for its window: prints the milliseconds from the
// start until a viewable window of the given name exists ("mapped") and until some of its
// pixels are not black ("painted"), then the program's process id. The program keeps running.
// Usage: oru_bench_window_probe NAME PROGRAM [ARGS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

Window FindViewable(Display* display, Window under, const char* name) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = count; i-- > 0 && !found;) {
    char* title = nullptr;
    XWindowAttributes attributes;
    if (XFetchName(display, children[i], &title) && title) {
      if (std::strcmp(title, name) == 0 &&
          XGetWindowAttributes(display, children[i], &attributes) &&
          attributes.map_state == IsViewable)
        found = children[i];
      XFree(title);
    }
    if (!found) found = FindViewable(display, children[i], name);
  }
  if (children) XFree(children);
  return found;
}

// True when a pixel of three rows across the window (at a quarter, half and three quarters of
// its height) is not black. Rows, not the whole window, so that polling every millisecond does
// not load the machine it measures.
bool Painted(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return false;
  for (int quarter = 1; quarter <= 3; ++quarter) {
    XImage* row = XGetImage(display, window, 0, attributes.height * quarter / 4, attributes.width,
                            1, AllPlanes, ZPixmap);
    if (!row) return false;
    bool painted = false;
    for (int x = 0; x < attributes.width && !painted; x += 4) painted = XGetPixel(row, x, 0) != 0;
    XDestroyImage(row);
    if (painted) return true;
  }
  return false;
}

int XErrors(Display*, XErrorEvent*) { return 0; }  // a window may vanish while it is examined

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s NAME PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  XSetErrorHandler(&XErrors);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) return 1;
  const auto elapsed = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
  long mapped = -1, painted = -1;
  Window window = 0;
  while (elapsed() < 30000 && painted < 0) {
    if (!window) {
      window = FindViewable(display, DefaultRootWindow(display), argv[1]);
      if (window) mapped = elapsed();
    } else if (Painted(display, window)) {
      painted = elapsed();
    }
    if (painted < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::printf("%ld %ld %d\n", mapped, painted, static_cast<int>(pid));
  XCloseDisplay(display);
  return painted < 0;
}
