// The check an update makes before it removes or writes anything: that the target holds the release it
// updates (the profile region's PROFILE_UPDATE_OF and PROFILE_BASE_FILE records). Installers that are
// not updates, and updates that also install alone, carry no such records and check nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "payload/profile_region.h"

namespace install {

// What stands at a base file's path beneath the target.
enum class base_state : std::uint8_t {
    as_expected,  // a regular file with the size, and time where it is not 0, of the release or the update
    missing,      // nothing, or nothing reachable
    differs,      // anything else, a link to a matching file included (it is not followed)
};

base_state base_file_state(std::string_view target, const payload::base_file& file);

// What the message says of a file in `state` ("is missing", "differs"); null for as_expected.
const char* base_state_words(base_state state);

// With the vendor settings in force: the numbered message that names the release and the first base file
// that fails, in their order, or the target directory when the update names no file and the directory
// does not exist; null when the target passes or the installer is no update. The text lives until the
// next call. A missing file that the update rewrites does not fail unless no base file is there at all
// (then the first missing one is named): an update stopped inside that file can be run again.
const char* update_base_problem(const char* target);

// update_base_problem, ending the installer through `error` with its message.
void check_update_base(const char* target);

// "This update installs over VORNA 1.0 only.\n" for an update, else nothing: the welcome screen's line.
void write_update_line();

}  // namespace install
