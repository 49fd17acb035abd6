// The vendor's settings as mkinstaller holds them: owned, by their numbers (payload/vendor_settings_table.h),
// each value as the profile region's records hold it; what an absent setting stands for; the records
// they are written as. Not here: the region in a stub's bytes (stub_profile.h), gathering and checking
// the settings of a build (pack/vendor_profile.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload/file_record.h"
#include "payload/profile_region.h"
#include "payload/sha256.h"

namespace builder {

// A file an update checks before it writes anything (payload::base_file, owned). mkinstaller writes
// it by content; an update built before gave sizes and times only.
struct base_file_settings {
    std::string path;
    std::uint32_t old_size = 0;
    std::int32_t old_mtime = 0;  // by size and time only; 0: not compared
    std::uint32_t new_size = 0;
    std::int32_t new_mtime = 0;
    bool by_content = true;
    payload::sha256_digest old_digest{};
    payload::sha256_digest new_digest{};

    // Whether the update leaves the file as the release left it.
    bool kept() const;
};

// The release an update installs over, and the files it checks there. Not a vendor setting: build
// writes it for --update-from without --full.
struct update_base_settings {
    std::string product;
    std::string version;
    std::vector<base_file_settings> files;  // in the order checked
};

// Each vendor setting's values, indexed by its number, as its records hold them: a text, a path, one
// root each, a choice's byte.
using setting_values = std::array<std::vector<std::string>, payload::VENDOR_NUMBER_LIMIT>;

// The settings a vendor gave; a setting without values keeps the stub's built-in ones.
struct profile_settings {
    setting_values values;
    std::optional<update_base_settings> update_of;

    bool empty() const;
};

// The values the installer uses: the given ones, else the built-in ones.
struct profile_values {
    setting_values values;
    payload::same_name_removal removal = payload::same_name_removal::anywhere;  // as the layout replays it
    std::optional<update_base_settings> update_of;                              // none: it installs anywhere
    payload::record_methods methods;  // a touch in an update, a link where links are kept
};
profile_values effective_values(const profile_settings& settings);

// A choice as its record holds it.
template <typename Choice>
std::string choice_value(Choice choice) {
    return std::string(1, static_cast<char>(choice));
}

// The name of the choice `value` holds, as options, profiles, info and JSON give it.
std::string_view choice_name(const payload::vendor_setting& setting, std::string_view value);
// The value of the choice called `name`, or none.
std::optional<std::string> choice_named(const payload::vendor_setting& setting, std::string_view name);

// The setting's member in list --json's "profile" object: its profile key with '_' for '-'.
std::string json_key(const payload::vendor_setting& setting);

// What a region read as `profile` holds.
profile_settings settings_of(const payload::vendor_profile& profile);

// `settings` as a region that mkinstaller writes holds them: with the written choice
// (vendor_setting::written_choice) of each setting the vendor left out that has one.
profile_settings as_written(profile_settings settings);

// Drops base files from the end until the region that mkinstaller writes for `settings` (as_written)
// fits the profile region. Returns how many it dropped.
std::size_t fit_base_files(profile_settings& settings);

// The region's content for `settings`: one record per value, in the order of the settings' numbers.
std::string encode_profile(const profile_settings& settings);

}  // namespace builder
