// The stub regions of the program in front of a payload.
#include "builder/inspect/stub_regions.h"

#include "builder/format/region_words.h"
#include "builder/util/error.h"

namespace builder {
namespace {

std::string damaged_at(const region_kind& kind, std::uint64_t offset, const std::string& damage) {
    return "the " + std::string(kind.name) + " region at offset " + std::to_string(offset) + " is " +
           damaged_refusal(kind, damage);
}

void require_declared_capacity(std::uint32_t declared, const region_kind& kind, std::uint64_t offset,
                               const std::string& command) {
    const std::string problem = declared_capacity_problem(declared, kind);
    if (problem.empty()) return;
    throw error(command + ": the program in front of the payload: " + problem + " (region at offset " +
                std::to_string(offset) + "); build writes no such region");
}

}  // namespace

stub_regions find_stub_regions(std::string_view program) {
    return {find_stub_profile(program), find_stub_license(program)};
}

std::string start_refusal(const stub_regions& regions) {
    if (regions.profile.found == stub_profile::state::damaged)
        return damaged_at(PROFILE_KIND, regions.profile.offset, profile_damage_text(regions.profile));
    if (regions.license.found == stub_license::state::damaged)
        return damaged_at(LICENSE_KIND, regions.license.offset, license_damage_text(regions.license));
    return "";
}

void require_regions_as_built(const stub_regions& regions, const std::string& command) {
    const stub_license& license = regions.license;
    const stub_profile& profile = regions.profile;
    if (license.found == stub_license::state::not_a_stub ||
        license.found == stub_license::state::several_markers) {
        throw error(command +
                    ": the program in front of the payload is not an installer stub (it does not carry the "
                    "installer's licence region): nothing would ever read this payload");
    }
    if (profile.found == stub_profile::state::several_markers) {
        throw error(command +
                    ": the program in front of the payload carries the profile region's marker more than "
                    "once: which settings the installer runs with cannot be told");
    }
    require_declared_capacity(license.capacity, LICENSE_KIND, license.offset, command);
    if (profile.found != stub_profile::state::not_a_stub)
        require_declared_capacity(profile.capacity, PROFILE_KIND, profile.offset, command);
}

}  // namespace builder
