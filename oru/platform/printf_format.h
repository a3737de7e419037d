/// \file
/// The attribute that lets the compiler check a printf-style call against its arguments. The
/// library formats through the C99 printf family on every system (%zu, %lld); on Windows that is
/// MinGW's own, which the compiler knows as gnu_printf rather than the system's printf.
#pragma once

/// Marks a function as taking a printf format at argument formatIndex (counted from 1) with
/// its arguments from firstArgument, so the compiler checks the calls.
/// \def ORU_PRINTF_FORMAT(formatIndex, firstArgument)
#if defined(__MINGW32__)
#define ORU_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define ORU_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#endif
