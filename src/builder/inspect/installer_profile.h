// The profile region of the program in front of an installer's payload: the vendor's settings the
// installer runs with.
#pragma once

#include <string>

#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_reader.h"

namespace builder {

// The profile region of the program in front of `in`'s payload; the stream does not move. Throws error,
// the message starting with `command`, when the bytes cannot be read.
stub_profile read_installer_profile(const installer_payload& in, const std::string& command);

// For verify: the profile region of the program in front of `in`'s payload, which must be one region or
// missing (a stub that takes no settings). Throws error, the message starting with `command`, for one
// that cannot be told (a damaged region is start_refusal's to name).
stub_profile require_installer_profile(const installer_payload& in, const std::string& command);

// The settings the installer in front of `in`'s payload runs with: the built-in values when its region
// is unwritten, damaged or missing (a damaged region is for verify to report; the installer then runs
// no further than its start).
profile_values installer_profile_values(const installer_payload& in, const std::string& command);

}  // namespace builder
