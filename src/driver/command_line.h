// The conventional command line of an installer whose vendor chose it (payload::installer_options::gnu):
// options that tell of the installer, and options that let a script install it without a dialogue. An
// installer without it reads "-autonext" and "-InstallNewRelease" alone and ignores every other argument.
#pragma once

#include <cstdio>

namespace driver {

// What the command line asks for beyond the installation.
enum class command_action { install, help, version, info, list, check, show_license };

// Reads argv[1] onwards into process::run (target, --accept-license, --unattended, --quiet) and opens
// the --log file. An unknown option, a missing value or an argument that is no option writes the usage
// to standard error and ends with status 2, having done nothing.
command_action read_command_line(int argc, char** argv);

// `lead`, then the product, version, platform and build stamp as one line.
void write_product_line(std::FILE* out, const char* lead);

// Carries out an action other than `install` and ends the installer: the report on standard output,
// status 0, or a damaged payload's message and status 1.
[[noreturn]] void carry_out(command_action action);

// Before the first screen: an unattended run whose licence was not accepted ends at once with a
// failure; a logged one writes what it was asked.
void check_run_request();

}  // namespace driver
