// The thread-local last-error text.
#include "oru/data/last_error.h"

#include <cstdarg>
#include <cstdio>

namespace oru {
namespace {

// A fixed buffer: setting a reason must work even when memory has run out.
thread_local char lastError[512] = "";

}  // namespace

const char* LastError() { return lastError; }

void SetLastError(const char* format, ...) {
  if (!format) {
    lastError[0] = '\0';
    return;
  }
  // Format into a scratch buffer first: an argument may be LastError() itself.
  char text[sizeof lastError];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) text[0] = '\0';
  for (std::size_t i = 0; i < sizeof lastError; ++i) {
    lastError[i] = text[i];
    if (!text[i]) break;
  }
}

void ClearLastError() { lastError[0] = '\0'; }

}  // namespace oru
