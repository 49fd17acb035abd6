// The vendor's settings as list --json and info show them, each worded by its kind from its row of
// payload/vendor_settings_table.h; info's words are the installer's own (payload/installer_report.h).
// Not here: the update's release, which both show after them.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "builder/format/profile_settings.h"

namespace builder {

// The members of list --json's "profile" object for the settings in force, in the order of their
// numbers: each on a line of its own, indented by four blanks, the lines joined by ",\n".
std::string settings_json(const profile_values& values);

// info's line for every setting in force that differs from its built-in value, in the order the
// installer shows them.
void print_changed_settings(const profile_values& values, std::ostream& out);

// info's line naming the texts in force that are still the stub's own, written for its sample product,
// when `product` is another (payload::write_sample_texts_line); and those labels alone, for build's
// warning ("title, thanks, licence"; empty when none).
void print_sample_texts(std::string_view product, const profile_values& values, bool license_built_in,
                        std::ostream& out);
std::string sample_texts(std::string_view product, const profile_values& values, bool license_built_in);

}  // namespace builder
