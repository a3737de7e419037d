// The table that routes native windows to their Window objects.
//
// Slots are filled by Window::Create before the native window exists, so that messages sent
// while it is being created (when the object does not know its handle yet) can go to the most
// recently added window. The table grows one slot at a time and never shrinks; an emptied slot
// is reused by the next Add. Primary thread only.
#pragma once

#include "oru/platform/messages.h"

namespace oru {

class Window;

class WindowRegistry {
 public:
  constexpr WindowRegistry() = default;
  // Frees the slots and leaves an empty table, so a window removing itself later still finds a
  // valid (empty) registry.
  ~WindowRegistry();
  WindowRegistry(const WindowRegistry&) = delete;
  WindowRegistry& operator=(const WindowRegistry&) = delete;

  // Puts window in the first empty slot, or in a new last slot; that slot becomes current.
  void Add(Window* window);
  // Empties the first slot holding window.
  void Remove(Window* window);
  // The window of the first non-empty slot whose handle is window, or null.
  Window* FindByHandle(WindowHandle window) const;
  // The window in the slot filled by the latest Add (null if that slot has been emptied).
  Window* Current() const;

  int Count() const { return count_; }

 private:
  Window** entries_ = nullptr;
  int count_ = 0;
  int current_ = 0;
};

// The process-wide registry the default window class routes through.
WindowRegistry& TheWindowRegistry();

}  // namespace oru
