// The check an update makes before it removes or writes anything: that the target holds the release it
// updates (the profile region's PROFILE_UPDATE_OF and base file records). Installers that are not
// updates, and updates that also install alone, carry no such records and check nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "payload/base_check.h"
#include "payload/profile_region.h"

namespace install {

using payload::base_state;

base_state base_file_state(std::string_view target, const payload::base_file& file);

// With the vendor settings in force: the numbered message that names the release and the target
// directory when it is none, else the first base file that fails in their order, and what to do; null
// when the target passes or the installer is no update. Lines of at most MESSAGE_NOT_BASE_WIDTH
// columns; the text lives until the next call. A missing file that the update rewrites does not fail
// unless no base file is there at all (then the first missing one is named): an update stopped inside
// that file can be run again.
const char* update_base_problem(const char* target);

// "This update installs over VORNA 1.0 only.\n" for an update, else nothing: the welcome screen's line.
void write_update_line();

}  // namespace install
