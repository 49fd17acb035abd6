// The wizard: a loop over numbered states, each of which shows one screen and yields a result code that
// decides the next state. The installer runs the real step table; a harness may run a table built from it
// with a screen swapped (the installation, say), so that it follows the same road as the installer.
#pragma once

#include <span>

namespace driver {

// One row of the wizard: where Back and Next lead from `state`, and the screen it shows.
struct wizard_step {
    int state;
    int back_state;
    int next_state;
    int (*screen)();
};

// The installer's own steps, from the welcome screen to "Files installed!".
std::span<const wizard_step> wizard_steps();

// Runs `steps` from the current `state` until STATE_COMPLETE has written its closing line; every other end
// leaves through the termination routines.
void run_wizard(std::span<const wizard_step> steps = wizard_steps());

}  // namespace driver
