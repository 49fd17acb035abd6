// The wizard: a loop over numbered states, each of which shows one screen and yields a result code that
// decides the next state.
#pragma once

namespace driver {

// Runs from the current `state` until STATE_COMPLETE has written its closing line; every other end leaves
// through the termination routines.
void run_wizard();

}  // namespace driver
