// The usage texts printed by --help and after a usage error.
#pragma once

#include <string>
#include <string_view>

#include "builder/cli/cli_options.h"

namespace builder {

// The usage of one command, or of the whole program for null.
std::string usage_text(const command_spec* command);

// "mkinstaller 0.1\n": the project's version, for --version.
std::string_view version_text();

}  // namespace builder
