#include "builder/inspect/installer_profile.h"

#include "builder/inspect/installer_license.h"

namespace builder {

stub_profile read_installer_profile(const installer_payload& in, const std::string& command) {
    return find_stub_profile(read_stub_bytes(in, command));
}

profile_values installer_profile_values(const installer_payload& in, const std::string& command) {
    return effective_values(read_installer_profile(in, command).settings);
}

}  // namespace builder
