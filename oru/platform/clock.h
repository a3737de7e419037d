/// \file
/// The millisecond clock and sleeps. The clock wraps at 2^32 ms; take differences modulo 2^32.
/// Tests replace the clock source to drive time by hand, and the sleep to see how long code
/// asked to sleep without waiting for it.
#pragma once

#include <cstdint>

namespace oru {

/// A millisecond clock: what TimeGetTime reads.
using ClockSource = std::uint32_t (*)();
/// A sleep of ms milliseconds: what SleepMs calls.
using SleepFunction = void (*)(std::uint32_t ms);

/// Milliseconds since an arbitrary start, from the monotonic clock (or the injected source).
std::uint32_t TimeGetTime();

/// Replaces the clock source; null restores the monotonic clock. Returns the previous source.
ClockSource SetClockSource(ClockSource source);

/// Sleeps ms milliseconds; 0 gives up the processor once. Goes through the injected sleep, if any.
void SleepMs(std::uint32_t ms);

/// Replaces what SleepMs does; null restores the real sleep. Returns the previous function.
SleepFunction SetSleepFunction(SleepFunction sleep);

}  // namespace oru
