/// \file
/// The thread-local last-error text: why the most recent failing loader call on this thread
/// failed, in words that name the field or the offset ("24-bit pictures are not supported",
/// "is a folder, not a file").
///
///   if (!LoadBitmap(picture, name)) std::fprintf(stderr, "%s: %s\n", name, LastError());
///
/// Loaders keep their integer results; they only add the reason, set on failure. A call that
/// succeeds may leave an older text in place, so read it only right after a failure. Each thread
/// has its own text, so loads on the game thread and a tool's thread never mix their reasons.
#pragma once

#include "oru/platform/printf_format.h"

namespace oru {

/// The reason of this thread's last failure, or "" when none was recorded. The pointer stays
/// valid until the next SetLastError or ClearLastError on the same thread.
const char* LastError();

/// Records a reason, printf-style; a text longer than 511 bytes is cut.
void SetLastError(const char* format, ...) ORU_PRINTF_FORMAT(1, 2);

/// Forgets the recorded reason: LastError() is "" again.
void ClearLastError();

}  // namespace oru
