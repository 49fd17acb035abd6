// The check an update makes before it removes or writes anything: that the target holds the release it
// updates (the profile region's PROFILE_UPDATE_OF and PROFILE_BASE_FILE records). Installers that are
// not updates, and updates that also install alone, carry no such records and check nothing.
#pragma once

#include <string_view>

#include "payload/profile_region.h"

namespace install {

// What stands at `file`'s path beneath `target`: nothing (or nothing reachable) is MESSAGE_NOT_BASE_MISSING;
// anything but a regular file (not followed through a link) whose size, and time where it is not 0, are
// those of the release or those the update leaves is MESSAGE_NOT_BASE_DIFFERS. Null when it passes.
const char* base_file_problem(std::string_view target, const payload::base_file& file);

// With the vendor settings in force: ends the installer through `error` with the numbered message that
// names the release and the first base file that fails, in their order, or the target directory when the
// update names no file and the directory does not exist. A missing file that the update rewrites does not
// fail unless no base file is there at all (then the first missing one is named): an update stopped inside
// that file can be run again. Returns when the target passes, or when the
// installer is no update.
void check_update_base(const char* target);

// "This update installs over VORNA 1.0 only.\n" for an update, else nothing: the welcome screen's line.
void write_update_line();

}  // namespace install
