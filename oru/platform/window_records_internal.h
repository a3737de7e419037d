// What every back end keeps for a native window, and the process's list of them: the window's
// procedure, styles, open state and canvas. A back end's NativeWindow derives from WindowRecord
// and adds the system's own parts; the calls that need nothing more (native_window_records.cpp)
// are written once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "oru/platform/messages.h"
#include "oru/platform/native_window.h"
#include "oru/platform/window_canvas_internal.h"

namespace oru {

struct WindowRecord {
  WindowProc proc = nullptr;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  bool open = false;
  bool destroying = false;
  WindowCanvas canvas;
};

// The back end's lookup: the record of an open window, null for a closed or unknown handle.
WindowRecord* OpenWindowRecord(WindowHandle handle);

// Window records live until the process ends, so handles stay unique and a canvas pointer handed
// to another thread never dangles. The list is read by other threads (CanvasOf).
template <class Window>
struct WindowList {
  std::mutex mutex;
  std::vector<std::unique_ptr<Window>> all;
  std::map<std::string, WindowProc> classes;

  static WindowList& Get() {
    static WindowList* const list = new WindowList;
    return *list;
  }

  // The procedure registered for a class name, or null.
  WindowProc ClassProc(const char* className) {
    std::lock_guard lock(mutex);
    auto it = className ? classes.find(className) : classes.end();
    return it == classes.end() ? nullptr : it->second;
  }

  Window* Add(std::unique_ptr<Window> record) {
    std::lock_guard lock(mutex);
    record->open = true;
    record->canvas.open = true;
    all.push_back(std::move(record));
    return all.back().get();
  }

  // The open window a handle names, or null.
  Window* Open(WindowHandle handle) {
    if (!handle) return nullptr;
    return FirstOpen([handle](const Window& w) { return &w == handle; });
  }

  // The first open window that matches, in the order they were made.
  template <class Match>
  Window* FirstOpen(Match match) {
    std::lock_guard lock(mutex);
    for (const auto& w : all)
      if (w->open && match(*w)) return w.get();
    return nullptr;
  }

  // From now on the handle names no window, for every thread.
  void Close(Window* w) {
    std::lock_guard lock(mutex);
    w->open = false;
    w->canvas.open = false;
  }
};

}  // namespace oru
