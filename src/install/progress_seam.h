// The progress line's hooks for tests, apart from its public header: how often it has waited for the
// terminal, which no transcript shows, and the clock that times gathered drawings. The installer itself
// uses neither.
#pragma once

#include <cstdint>

namespace install {

// The waits (tcdrain) made on standard error since the process started.
unsigned progress_drains();

// Milliseconds on a clock that never goes back; CLOCK_MONOTONIC's until a test replaces it.
using progress_clock = std::int64_t (*)();
void set_progress_clock(progress_clock clock);

}  // namespace install
