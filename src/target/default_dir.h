// The directory the installer offers first: the vendor's default, or for a user without root rights who
// cannot write there, the vendor's second default for users (often beneath $HOME).
#pragma once

#include <string_view>

namespace target {

// The default target directory for this run. The view stays valid for the whole run.
std::string_view choose_default_dir();

}  // namespace target
