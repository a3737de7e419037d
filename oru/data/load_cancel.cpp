// The process-wide load cancel check.
#include "oru/data/load_cancel.h"

#include <atomic>

namespace oru {
namespace {
std::atomic<LoadCancelCheck> installed{nullptr};
}  // namespace

LoadCancelCheck SetLoadCancelCheck(LoadCancelCheck check) {
  return installed.exchange(check, std::memory_order_acq_rel);
}

bool LoadCancelled() {
  const LoadCancelCheck check = installed.load(std::memory_order_acquire);
  return check != nullptr && check();
}

}  // namespace oru
