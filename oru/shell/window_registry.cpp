// The window registry.
#include "oru/shell/window_registry_internal.h"

#include "oru/shell/window.h"

namespace oru {

namespace {
// Constant-initialised, so it exists before any static object's constructor runs, and its
// destruction is registered ahead of (so runs after) every ordinary static object's.
__attribute__((init_priority(200))) constinit WindowRegistry registry;
}  // namespace

WindowRegistry& TheWindowRegistry() { return registry; }

WindowRegistry::~WindowRegistry() {
  delete[] entries_;
  entries_ = nullptr;
  count_ = 0;
  current_ = 0;
}

void WindowRegistry::Add(Window* window) {
  for (int i = 0; i < count_; ++i) {
    if (!entries_[i]) {
      entries_[i] = window;
      current_ = i;
      return;
    }
  }
  auto** grown = new Window*[count_ + 1];
  for (int i = 0; i < count_; ++i) grown[i] = entries_[i];
  grown[count_] = window;
  delete[] entries_;
  entries_ = grown;
  current_ = count_;
  ++count_;
}

void WindowRegistry::Remove(Window* window) {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i] == window) {
      entries_[i] = nullptr;
      return;
    }
  }
}

Window* WindowRegistry::FindByHandle(WindowHandle window) const {
  for (int i = 0; i < count_; ++i)
    if (entries_[i] && entries_[i]->Handle() == window) return entries_[i];
  return nullptr;
}

Window* WindowRegistry::Current() const { return current_ < count_ ? entries_[current_] : nullptr; }

}  // namespace oru
