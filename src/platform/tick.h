// The millisecond tick the playback timing counts with.
#pragma once

#include <cstdint>

namespace kt {

// Milliseconds from a monotonic clock, wrapping at 32 bits like the tick it replaces.
uint32_t GetTickCount();

}  // namespace kt
