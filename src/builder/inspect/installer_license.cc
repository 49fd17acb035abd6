// Reading the licence region in front of a payload.
#include "builder/inspect/installer_license.h"

#include <unistd.h>

#include <cerrno>

#include "builder/format/region_words.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {
namespace {

std::string damaged_at(const region_kind& kind, std::uint64_t offset, const std::string& damage) {
    return "the " + std::string(kind.name) + " region at offset " + std::to_string(offset) + " is " +
           damaged_refusal(kind, damage);
}

}  // namespace

std::string read_stub_bytes(const installer_payload& in, const std::string& command) {
    std::string bytes(in.header_offset, '\0');
    const int fd = fileno(in.file.get());
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail_errno(command + ": cannot read the program in front of the payload");
        if (got == 0) throw error(command + ": the file shrank while it was read");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

stub_license read_installer_license(const installer_payload& in, const std::string& command) {
    return find_stub_license(read_stub_bytes(in, command));
}

stub_license require_installer_stub(const installer_payload& in, const std::string& command) {
    stub_license found = read_installer_license(in, command);
    switch (found.found) {
        case stub_license::state::built_in:
        case stub_license::state::vendor_text:
        case stub_license::state::damaged:  // start_refusal's to name
            return found;
        case stub_license::state::not_a_stub:
        case stub_license::state::several_markers:
            break;
    }
    throw error(command +
                ": the program in front of the payload is not an installer stub (it does not carry the "
                "installer's licence region): nothing would ever read this payload");
}

std::string start_refusal(const stub_profile& profile, const stub_license& license) {
    if (profile.found == stub_profile::state::damaged)
        return damaged_at(PROFILE_KIND, profile.offset, profile_damage_text(profile));
    if (license.found == stub_license::state::damaged)
        return damaged_at(LICENSE_KIND, license.offset, license_damage_text(license));
    return "";
}

void require_declared_capacity(std::uint32_t declared, const region_kind& kind, std::uint64_t offset,
                               const std::string& command) {
    const std::string problem = declared_capacity_problem(declared, kind);
    if (problem.empty()) return;
    throw error(command + ": the program in front of the payload: " + problem + " (region at offset " +
                std::to_string(offset) + "); build writes no such region");
}

}  // namespace builder
