// Waiting on a condition set by another thread. Tests wait for what they expect with a generous
// bound instead of sleeping for a guessed time, so they pass however slowly the machine runs.
#pragma once

#include <chrono>
#include <thread>

namespace oru {

// Polls condition every millisecond until it holds (true) or bound has passed (false).
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace oru
