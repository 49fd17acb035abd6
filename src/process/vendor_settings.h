// The vendor's settings as the installer uses them: the stub's profile region (payload/profile_region.h),
// read once at start-up, and the built-in value of every setting the region leaves out
// (payload/vendor_settings_table.h). The screens, the directory rules, the installation and the
// termination routines ask here rather than holding texts of their own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "payload/file_record.h"
#include "payload/profile_region.h"

namespace process {

// The stub's profile region, in initialised data: mkinstaller finds it by its marker in the stub's file
// and writes the vendor's settings into the copy it writes. It is never written at run time.
extern payload::profile_region_bytes profile_region;

// Reads the profile region into the settings in force, first thing at start-up, so that even the
// failures before the region is checked end with the exit status it names. A damaged region leaves the
// built-in values in force, except that every way out then ends with EXIT_STATUS_FAILED: its own exit
// choice cannot be trusted. Until it has run (and in every harness that never calls it) the built-in
// values are in force.
void load_vendor_settings();

// Ends the installer with payload::MESSAGE_PROFILE_CORRUPTED when the region read was damaged.
void check_vendor_settings();

// Whether the region is written (even if damaged): the installer carries vendor settings.
bool vendor_settings_written();

// The settings the region holds, as read.
const payload::vendor_profile& vendor_settings();

// The values in force of the setting numbered `number` (a row of payload::VENDOR_SETTINGS): the
// vendor's, else the built-in ones. The views stay valid for the whole run.
std::span<const std::string_view> setting_values(std::uint8_t number);
std::string_view setting_text(std::uint8_t number);  // its one value
std::uint8_t setting_choice(std::uint8_t number);    // a choice's byte

// The settings the screens and routines use, each through the above.
std::string_view window_title();
std::string_view thanks_line();  // empty: no thanks line at all
std::string_view closing_text();
std::string_view existing_dir_text();
std::string_view default_target_dir();
std::span<const std::string_view> recommended_roots();
payload::same_name_removal removal_rule();
payload::exit_status exit_choice();
payload::check_first check_first_choice();
payload::installer_options installer_options_choice();
std::string_view user_default_dir();  // empty: none
std::string_view update_existing_dir_text();
std::string_view full_installer_name();  // empty: none
// The methods beyond stored, compressed and delete that this installer's payload may use.
payload::record_methods record_methods();

}  // namespace process
