#include "driver/wizard.h"

#include <array>
#include <cstdio>

#include "driver/driver_state.h"
#include "driver/license_screen.h"
#include "driver/result.h"
#include "driver/screens.h"
#include "driver/termination.h"
#include "target/directory_screen.h"

namespace driver {
namespace {

// Each row stores where Back and Next lead, then shows its screen.
constexpr std::array<wizard_step, 6> WIZARD_STEPS = {{
    {STATE_WELCOME, STATE_WELCOME, STATE_LICENSE, welcome_screen},
    {STATE_LICENSE, STATE_WELCOME, STATE_DIRECTORY, license_screen},
    {STATE_DIRECTORY, STATE_WELCOME, STATE_DIR_EXISTS, target::select_install_dir},
    {STATE_DIR_EXISTS, STATE_DIRECTORY, STATE_INSTALL, dir_exists_screen},
    {STATE_INSTALL, STATE_INSTALL, STATE_INSTALLED, install_screen},
    {STATE_INSTALLED, STATE_INSTALLED, STATE_COMPLETE, installed_screen},
}};

const wizard_step* find_step(std::span<const wizard_step> steps, int wanted) {
    for (const auto& step : steps) {
        if (step.state == wanted) return &step;
    }
    return nullptr;
}

void dispatch(int result) {
    switch (result) {
        case RESULT_NEXT:
            session.state = session.next_state;
            return;
        case RESULT_BACK:
            session.state = session.back_state;
            return;
        case RESULT_CANCEL:
            error(nullptr);
        case RESULT_QUIT:  // no screen returns it today; a quit would end quietly, unlike a cancel
            exit_installer();
        case RESULT_NONE:
            error("Install error (err=10).");
        default:
            error("Install error (err=11).");
    }
}

}  // namespace

std::span<const wizard_step> wizard_steps() {
    return WIZARD_STEPS;
}

void run_wizard(std::span<const wizard_step> steps) {
    while (session.state != STATE_COMPLETE) {
        const wizard_step* step = find_step(steps, session.state);
        if (step == nullptr) error("Install error (err=12).");
        session.back_state = step->back_state;
        session.next_state = step->next_state;
        dispatch(step->screen());
    }
    std::fputs("\n\nInstallation complete.\n\n", stderr);
}

}  // namespace driver
