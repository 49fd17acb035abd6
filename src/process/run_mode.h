// How this run goes beyond the wizard's own options: what an installer with the vendor's gnu command line
// (payload::installer_options) was asked on it, and whether its files are all in place. Everything is
// off in an installer without that command line, which then runs exactly as the dialogue alone leads it.
#pragma once

namespace process {

struct run_mode {
    bool gnu = false;              // the vendor chose the conventional command line
    bool unattended = false;       // --unattended: no question asked, standard input never read
    bool accept_license = false;   // --accept-license
    bool quiet = false;            // --quiet: nothing written but failures
    bool reporting = false;        // --check and the like: a failure ends without "Installation terminated."
    const char* own_name = "";     // argv[0], for the texts that tell what to run
    const char* target = nullptr;  // --target DIR, its home expanded; null: the default, or as asked
    bool installed = false;        // every file is in place: whatever follows, the installation is complete
};

extern run_mode run;

// The statuses of the conventional command line beyond payload::EXIT_STATUS_*: a usage error.
constexpr int EXIT_STATUS_USAGE = 2;

}  // namespace process
