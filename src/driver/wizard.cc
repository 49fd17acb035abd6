#include "driver/wizard.h"

#include <array>
#include <cstdio>

#include "driver/license_screen.h"
#include "driver/screens.h"
#include "install/update_check.h"
#include "process/result.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/termination.h"
#include "target/directory_screen.h"

namespace driver {
namespace {

// Each row stores where Back and Next lead, then shows its screen.
constexpr std::array<wizard_step, 6> WIZARD_STEPS = {{
    {process::STATE_WELCOME, process::STATE_WELCOME, process::STATE_LICENSE, welcome_screen},
    {process::STATE_LICENSE, process::STATE_WELCOME, process::STATE_DIRECTORY, license_screen},
    {process::STATE_DIRECTORY, process::STATE_WELCOME, process::STATE_DIR_EXISTS, target::select_install_dir},
    {process::STATE_DIR_EXISTS, process::STATE_DIRECTORY, process::STATE_INSTALL, dir_exists_screen},
    {process::STATE_INSTALL, process::STATE_INSTALL, process::STATE_INSTALLED, install_screen},
    {process::STATE_INSTALLED, process::STATE_INSTALLED, process::STATE_COMPLETE, installed_screen},
}};

// With --unattended: the same road, no question on it.
constexpr std::array<wizard_step, 6> UNATTENDED_STEPS = {{
    {process::STATE_WELCOME, process::STATE_WELCOME, process::STATE_LICENSE, welcome_plain},
    {process::STATE_LICENSE, process::STATE_WELCOME, process::STATE_DIRECTORY, license_plain},
    {process::STATE_DIRECTORY, process::STATE_WELCOME, process::STATE_DIR_EXISTS, directory_plain},
    {process::STATE_DIR_EXISTS, process::STATE_DIRECTORY, process::STATE_INSTALL, dir_exists_plain},
    {process::STATE_INSTALL, process::STATE_INSTALL, process::STATE_INSTALLED, install_screen},
    {process::STATE_INSTALLED, process::STATE_INSTALLED, process::STATE_COMPLETE, installed_plain},
}};

const wizard_step* find_step(std::span<const wizard_step> steps, int wanted) {
    for (const auto& step : steps) {
        if (step.state == wanted) return &step;
    }
    return nullptr;
}

void dispatch(int result) {
    switch (result) {
        case process::RESULT_NEXT:
            process::session.state = process::session.next_state;
            return;
        case process::RESULT_BACK:
            process::session.state = process::session.back_state;
            return;
        case process::RESULT_CANCEL:
            process::error(nullptr);
        case process::RESULT_QUIT:  // no screen returns it today; a quit would end quietly, unlike a cancel
            process::exit_installer();
        case process::RESULT_NONE:
            process::error("Install error (err=10).");
        default:
            process::error("Install error (err=11).");
    }
}

}  // namespace

std::span<const wizard_step> wizard_steps() {
    if (process::run.unattended) return UNATTENDED_STEPS;
    return WIZARD_STEPS;
}

void run_wizard(std::span<const wizard_step> steps) {
    // An update refuses a target without its release on the directory screen, before anything is asked
    // of that directory.
    target::set_target_check(install::update_base_problem);
    while (process::session.state != process::STATE_COMPLETE) {
        const wizard_step* step = find_step(steps, process::session.state);
        if (step == nullptr) process::error("Install error (err=12).");
        process::session.back_state = step->back_state;
        process::session.next_state = step->next_state;
        dispatch(step->screen());
    }
    if (!process::run.unattended) {
        std::fputs("\n\nInstallation complete.\n\n", stderr);
    } else if (!process::run.quiet) {
        std::fputs("Installation complete.\n", stderr);
    }
}

}  // namespace driver
