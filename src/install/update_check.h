// The check an update makes before it removes or writes anything: that the target holds the release it
// updates (the profile region's PROFILE_UPDATE_OF and base file records). Installers that are not
// updates, and updates that also install alone, carry no such records and check nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "payload/profile_region.h"

namespace install {

// What stands at a base file's path beneath the target.
enum class base_state : std::uint8_t {
    as_expected,  // a regular file with the bytes (or size and time) of the release or of the update
    missing,      // nothing, or nothing reachable
    directory,
    link,         // not followed, whatever it points to
    other_kind,   // a device, a pipe, a socket
    other_bytes,  // a regular file holding neither state
    unreadable,   // a regular file that could not be opened or read
};

base_state base_file_state(std::string_view target, const payload::base_file& file);

// What the message says of a file in `state` ("is missing.", "holds other bytes." ...); null for
// as_expected. `file` tells how it was compared.
const char* base_state_words(base_state state, const payload::base_file& file);

// Copies `text` into `out` (NUL-terminated, cut short to fit), a line feed in place of the space before
// a word that would pass `width` columns, and a word longer than a line broken where it reaches it.
// Line feeds of its own stay. Columns are counted as UTF-8 characters.
void wrap_text(std::string_view text, std::size_t width, char* out, std::size_t size);

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
