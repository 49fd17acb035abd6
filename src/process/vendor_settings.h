// The vendor's settings as the installer uses them: the stub's profile region (payload/profile_region.h),
// read once at start-up, and the built-in value of every setting the region leaves out
// (payload/vendor_defaults.h). The screens, the directory rules, the installation and the termination
// routines ask here rather than holding texts of their own.
#pragma once

#include <span>
#include <string_view>

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

// The settings in force; a text the vendor left out is std::nullopt there.
const payload::vendor_profile& vendor_settings();

// Each text setting's value, the vendor's or the built-in one. The views stay valid for the whole run.
std::string_view window_title();
std::string_view thanks_line();  // empty: no thanks line at all
std::string_view closing_text();
std::string_view existing_dir_text();
std::string_view default_target_dir();
std::span<const std::string_view> recommended_roots();

}  // namespace process
