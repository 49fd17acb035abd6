// The profile region as mkinstaller sees it: the vendor's settings, owned, with what each means when it
// is absent; the records they are written as; and finding, reading and writing the region in a stub's
// bytes. The layout is src/payload/profile_region.h, the built-in values
// src/payload/vendor_settings_table.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload/profile_region.h"

namespace builder {

// A file an update checks before it writes anything (payload::base_file, owned).
struct base_file_settings {
    std::string path;
    std::uint32_t old_size = 0;
    std::int32_t old_mtime = 0;  // 0: not compared
    std::uint32_t new_size = 0;
    std::int32_t new_mtime = 0;
};

// The release an update installs over, and the files it checks there. Not a vendor setting: build
// writes it for --update-from without --full.
struct update_base_settings {
    std::string product;
    std::string version;
    std::vector<base_file_settings> files;  // at most PROFILE_MAX_BASE_FILES, in the order checked
};

// The settings a vendor gave; an absent one keeps the stub's built-in value.
struct profile_settings {
    std::optional<std::string> title;
    std::optional<std::string> thanks;
    std::optional<std::string> closing_text;  // lines, each ended by a line feed; empty: none
    std::optional<std::string> default_dir;
    std::vector<std::string> roots;  // empty: the built-in pair
    std::optional<std::string> existing_dir_text;
    std::optional<payload::same_name_removal> removal;
    std::optional<payload::exit_status> exit;
    std::optional<update_base_settings> update_of;

    bool empty() const;
};

// The values the installer uses: the given ones, else the built-in ones.
struct profile_values {
    std::string title;
    std::string thanks;
    std::string closing_text;
    std::string default_dir;
    std::vector<std::string> roots;
    std::string existing_dir_text;
    payload::same_name_removal removal = payload::same_name_removal::anywhere;
    payload::exit_status exit = payload::exit_status::always_zero;
    std::optional<update_base_settings> update_of;  // none: it installs anywhere
};
profile_values effective_values(const profile_settings& settings);

// The names the command line, profiles, info and JSON use for the two choices.
std::string_view removal_name(payload::same_name_removal removal);
std::string_view exit_status_name(payload::exit_status exit);
std::optional<payload::same_name_removal> removal_from_name(std::string_view name);
std::optional<payload::exit_status> exit_status_from_name(std::string_view name);

// The region's content for `settings`: one record per setting given, in the order of their numbers.
std::string encode_profile(const profile_settings& settings);

struct stub_profile {
    enum class state {
        not_a_stub,       // no marker: the program carries no profile region
        several_markers,  // the marker more than once: which region is the stub's cannot be told
        damaged,          // written but unsound: the installer refuses to run
        built_in,         // unwritten: every built-in value
        written,          // settings of its own, all sound as the installer checks them
    };
    state found = state::not_a_stub;
    std::uint64_t offset = 0;    // of the region's marker
    std::uint32_t capacity = 0;  // bytes its content area declares; the stub reads PROFILE_CONTENT_CAPACITY
    payload::profile_check check = payload::profile_check::bad_frame;
    payload::region_check frame = payload::region_check::bad_marker;
    profile_settings settings;  // written: what it holds
};

// What is wrong with a damaged region, in words.
std::string profile_damage_text(const stub_profile& found);

// Looks for the profile region in `bytes`, a stub or the part of an installer in front of its payload.
stub_profile find_stub_profile(std::string_view bytes);

// Throws error, naming `what` ("stub \"x\""), unless the stub's profile region found as `found` is whole,
// declares the capacity the stub reads, and is sound or unwritten. A stub without the region, or carrying its
// marker more than once, passes when `settings_given` is false: it is copied as it is, and runs with its own
// values.
void require_stub_profile(const stub_profile& found, const std::string& what, bool settings_given);

// Rewrites the region of `stub` found at `found` (a sound or unwritten region) to hold `settings`; the
// rest of the content area is zeroed. Throws error when they do not fit, naming how much they take.
void write_stub_profile(std::string& stub, const stub_profile& found, const profile_settings& settings);

}  // namespace builder
