// Reading, judging and copying the stub.
#include "builder/pack/stub_copy.h"

#include <cstdio>
#include <string>

#include "builder/format/stub_license.h"
#include "builder/format/stub_profile.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"

namespace builder {
namespace {

// A stub is a program of a few megabytes; anything far larger is the wrong file.
constexpr std::uint64_t STUB_MAX_SIZE = std::uint64_t{256} << 20;

// What the region is to hold. An update's base records are no vendor setting: they join the settings
// given, or, when none are, the stub's own, which a full build would have kept by copying the stub.
profile_settings with_stub_settings(const profile_settings& given, const stub_profile& found) {
    if (!given.update_of || found.found != stub_profile::state::written) return given;
    profile_settings vendor = given;
    vendor.update_of.reset();
    if (!vendor.empty()) return given;
    profile_settings wanted = found.settings;
    wanted.update_of = given.update_of;
    // The stub's own settings may leave less room than the build counted on.
    fit_base_files(wanted);
    return wanted;
}

}  // namespace

std::uint64_t copy_stub(const build_settings& settings, output_file& out) {
    const std::string& stub_path = settings.stub;
    std::string bytes = read_input_file(stub_path, "", "stub ", STUB_MAX_SIZE);
    // The installer never looks for its payload at offset 0.
    if (bytes.empty()) throw error("stub " + shown(stub_path) + " is empty");
    // Any program would run in front of a payload; only the installer's own stub ever reads it.
    const stub_license region = find_stub_license(bytes);
    require_stub(region, "stub " + shown(stub_path));
    if (!settings.license_text.empty()) {
        write_stub_license(bytes, region, settings.license_text, settings.license_file);
    } else if (region.found == stub_license::state::damaged) {
        // verify would refuse the result: the installer would refuse to start.
        throw error("stub " + shown(stub_path) + ": its licence region is damaged (" +
                    license_damage_text(region) + "); --license would replace its text");
    }
    const stub_profile profile = find_stub_profile(bytes);
    require_stub_profile(profile, "stub " + shown(stub_path), !settings.profile.empty());
    if (!settings.profile.empty())
        write_stub_profile(bytes, profile, as_written(with_stub_settings(settings.profile, profile)));
    out.write(bytes.data(), bytes.size());
    return bytes.size();
}

}  // namespace builder
