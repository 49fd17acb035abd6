#include "builder/inspect/installer_profile.h"

#include "builder/inspect/installer_license.h"
#include "builder/util/error.h"

namespace builder {

stub_profile read_installer_profile(const installer_payload& in, const std::string& command) {
    return find_stub_profile(read_stub_bytes(in, command));
}

stub_profile require_installer_profile(const installer_payload& in, const std::string& command) {
    stub_profile found = read_installer_profile(in, command);
    switch (found.found) {
        case stub_profile::state::several_markers:
            throw error(command +
                        ": the program in front of the payload carries the profile region's marker more than "
                        "once: which settings the installer runs with cannot be told");
        default:
            return found;
    }
}

profile_values installer_profile_values(const installer_payload& in, const std::string& command) {
    return effective_values(read_installer_profile(in, command).settings);
}

}  // namespace builder
