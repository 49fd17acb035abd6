// The stub's profile region and the settings read from it.
#include "process/vendor_settings.h"

#include "payload/installer_messages.h"
#include "process/termination.h"

namespace process {

constinit payload::profile_region_bytes profile_region = payload::empty_profile_region();

namespace {

constinit payload::vendor_profile settings;
bool settings_damaged = false;
bool settings_written = false;

}  // namespace

void load_vendor_settings() {
    const payload::profile_check check = payload::read_profile_region(
        payload::region_as_written(profile_region.data()), profile_region.size(), settings);
    settings_damaged = check != payload::profile_check::written && check != payload::profile_check::unwritten;
    settings_written = check != payload::profile_check::unwritten;
}

bool vendor_settings_written() {
    return settings_written;
}

void check_vendor_settings() {
    if (settings_damaged) error(payload::MESSAGE_PROFILE_CORRUPTED);
}

const payload::vendor_profile& vendor_settings() {
    return settings;
}

std::span<const std::string_view> setting_values(std::uint8_t number) {
    const std::span<const std::string_view> given = settings.given(number);
    return given.empty() ? payload::SETTING_FORMATS[number].built_in : given;
}

std::string_view setting_text(std::uint8_t number) {
    return setting_values(number).front();
}

std::uint8_t setting_choice(std::uint8_t number) {
    return static_cast<std::uint8_t>(setting_text(number).front());
}

std::string_view window_title() {
    return setting_text(payload::PROFILE_TITLE);
}

std::string_view thanks_line() {
    return setting_text(payload::PROFILE_THANKS);
}

std::string_view closing_text() {
    return setting_text(payload::PROFILE_CLOSING_TEXT);
}

std::string_view existing_dir_text() {
    return setting_text(payload::PROFILE_EXISTING_DIR_TEXT);
}

std::string_view default_target_dir() {
    return setting_text(payload::PROFILE_DEFAULT_DIR);
}

std::span<const std::string_view> recommended_roots() {
    return setting_values(payload::PROFILE_RECOMMEND);
}

payload::same_name_removal removal_rule() {
    return static_cast<payload::same_name_removal>(setting_choice(payload::PROFILE_SAME_NAME_REMOVAL));
}

payload::check_first check_first_choice() {
    return static_cast<payload::check_first>(setting_choice(payload::PROFILE_CHECK_FIRST));
}

payload::installer_options installer_options_choice() {
    return static_cast<payload::installer_options>(setting_choice(payload::PROFILE_INSTALLER_OPTIONS));
}

std::string_view user_default_dir() {
    return setting_text(payload::PROFILE_USER_DEFAULT_DIR);
}

// Until their rows join the table (vendor_settings_table.h), these two have only their built-in values.
std::string_view update_existing_dir_text() {
    return setting_text(payload::PROFILE_UPDATE_EXISTING_DIR_TEXT);
}

std::string_view full_installer_name() {
    return setting_text(payload::PROFILE_FULL_INSTALLER);
}

payload::record_methods record_methods() {
    return {
        .touch = settings.update_of.has_value(),
        .link = static_cast<payload::links>(setting_choice(payload::PROFILE_LINKS)) == payload::links::keep};
}

payload::exit_status exit_choice() {
    // The reading left the built-in values, but a failure must still end as one where they would end
    // every run with 0.
    if (settings_damaged) return payload::exit_status::conventional;
    return static_cast<payload::exit_status>(setting_choice(payload::PROFILE_EXIT_STATUS));
}

}  // namespace process
