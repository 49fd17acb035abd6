// How an update judges the release beneath its target, written once for the installer, which looks at
// the files, and for mkinstaller, which replays the check over the tree an installer leaves: the state
// of each base file, which one the refusal names, and the refusal's words, broken into lines of at most
// MESSAGE_NOT_BASE_WIDTH columns:
//   Not an installation of VORNA 1.0 to update: inc/vorna.h holds other bytes.
//   Install the full release instead: vorna-2.0-full.run (err=15).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "payload/profile_region.h"

namespace payload {

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

// What the message says of a file in `state` ("is missing.", "holds other bytes." ...); null for
// as_expected. `by_content` tells how it was compared.
const char* base_state_words(base_state state, bool by_content);

// The base file the refusal names (its index) and its state; `file` is `count` when the target passes.
// A missing file the update rewrites does not fail unless no base file is there at all (then the first
// missing one is named): an update stopped inside that file can be run again.
struct base_verdict {
    std::size_t file;
    base_state state;
};
template <typename Kept, typename StateOf>
base_verdict judge_base_files(std::size_t count, Kept kept, StateOf state_of) {
    std::size_t first_missing = count;
    bool any_found = false;
    for (std::size_t i = 0; i < count; ++i) {
        const base_state state = state_of(i);
        if (state == base_state::as_expected) {
            any_found = true;
        } else if (state == base_state::missing && !kept(i)) {
            if (first_missing == count) first_missing = i;
        } else {
            return {i, state};
        }
    }
    if (!any_found && first_missing != count) return {first_missing, base_state::missing};
    return {count, base_state::as_expected};
}

// The most of the vendor's full installer's name a refusal names.
constexpr std::size_t BASE_MAX_NAMED_INSTALLER = 255;

// The refusal naming `release`, what is wrong (`subject`, a file's path, and `words`; or only words for
// the target) and `installer` when the vendor named one (cut by the caller at BASE_MAX_NAMED_INSTALLER
// bytes, then shown as the caller shows texts: each text at most four times that long). The text lives
// until the next call.
const char* not_base_message(const release_name& release, std::string_view subject, const char* words,
                             std::string_view installer);

// Copies `text` into `out` (NUL-terminated, cut short to fit), a line feed in place of the space before
// a word that would pass `width` columns, and a word longer than a line broken where it reaches it.
// Line feeds of its own stay. Columns are counted as UTF-8 characters.
void wrap_text(std::string_view text, std::size_t width, char* out, std::size_t size);

}  // namespace payload
