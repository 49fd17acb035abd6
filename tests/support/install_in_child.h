// Running the installation step alone in a child process, without the dialogue: the installer's state set
// as the wizard leaves it, with the installer file and the target directory given directly.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "support/installer_run.h"

namespace testing_support {

// Takes `self` as the installer's own file, finds its payload and sets `target` as the target directory.
void set_up_install(std::FILE* self, const std::string& target);

// Runs as the installer file `image_path` itself would, from inside this program: its licence and profile
// regions copied over this program's, the vendor's settings loaded, its payload's header found and the
// stream at the first record. The target directory is left empty.
void set_up_as_installer(const std::string& image_path);

// In a child with standard error captured: `before` (a non-zero return ends the child with that status
// before anything is installed), the installation of the installer file `image_path` into `target`, then
// `after`, whose return is the child's status (0 when none is given).
process_result install_in_child(const std::string& image_path, const std::string& target,
                                const std::function<int()>& before = {},
                                const std::function<int()>& after = {});

}  // namespace testing_support
