// The stub's profile region and the settings read from it.
#include "process/vendor_settings.h"

#include "payload/installer_messages.h"
#include "payload/vendor_defaults.h"
#include "process/termination.h"

namespace process {

constinit payload::profile_region_bytes profile_region = payload::empty_profile_region();

namespace {

constinit payload::vendor_profile settings;
bool settings_damaged = false;

std::string_view or_built_in(const std::optional<std::string_view>& value, std::string_view built_in) {
    return value ? *value : built_in;
}

}  // namespace

void load_vendor_settings() {
    const payload::profile_check check = payload::read_profile_region(
        payload::region_as_written(profile_region.data()), profile_region.size(), settings);
    settings_damaged = check != payload::profile_check::written && check != payload::profile_check::unwritten;
    // The reading left the built-in values, but a failure must still end as one where they would end
    // every run with 0.
    if (settings_damaged) settings.exit = payload::exit_status::conventional;
}

void check_vendor_settings() {
    if (settings_damaged) error(payload::MESSAGE_PROFILE_CORRUPTED);
}

const payload::vendor_profile& vendor_settings() {
    return settings;
}

std::string_view window_title() {
    return or_built_in(settings.title, payload::DEFAULT_TITLE);
}

std::string_view thanks_line() {
    return or_built_in(settings.thanks, payload::DEFAULT_THANKS);
}

std::string_view closing_text() {
    return or_built_in(settings.closing_text, payload::DEFAULT_CLOSING_TEXT);
}

std::string_view existing_dir_text() {
    return or_built_in(settings.existing_dir_text, payload::DEFAULT_EXISTING_DIR_TEXT);
}

std::string_view default_target_dir() {
    return or_built_in(settings.default_dir, payload::DEFAULT_TARGET_DIR);
}

std::span<const std::string_view> recommended_roots() {
    if (settings.root_count == 0) return payload::DEFAULT_ROOTS;
    return std::span(settings.roots).first(settings.root_count);
}

}  // namespace process
