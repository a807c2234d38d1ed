// The millisecond tick the playback timing counts with, and the timer
// resolution calls, which this system does not need.
#pragma once

#include <cstdint>

namespace kt {

// Milliseconds from a monotonic clock, wrapping at 32 bits like the tick it replaces.
uint32_t GetTickCount();

// The kernel's timers are already precise to well under a millisecond; these
// keep their place in the playback steps and do nothing.
inline void TimeBeginPeriod() {}
inline void TimeEndPeriod() {}

}  // namespace kt
