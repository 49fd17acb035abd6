// The info command: the product line and build stamp as the installer's welcome screen shows them, the
// space line of its directory screen, the vendor's settings that differ from the stub's, and the licence
// agreement, so that a release can be checked without running it.
#include <string>
#include <string_view>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/commands/settings_report.h"
#include "builder/format/region_words.h"
#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_file.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/time_text.h"
#include "payload/product_text.h"

namespace builder {
namespace {

// Which agreement the licence screen shows. The first line is shown escaped and quoted, like every text
// taken from a payload: a crafted region may hold control bytes that build would have refused.
std::string license_line(const stub_license& found) {
    switch (found.found) {
        case stub_license::state::vendor_text:
            return "licence: " + std::to_string(license_line_count(found.text)) + " lines, the first " +
                   shown(license_first_line(found.text));
        case stub_license::state::built_in:
            return "licence: the agreement built into the stub";
        case stub_license::state::damaged:
            return "licence: region " + damaged_refusal(LICENSE_KIND, license_damage_text(found));
        default:
            return "licence: none (the program in front of the payload is not an installer stub)";
    }
}

// A line for every setting that differs from the stub's built-in value, in the order the installer
// shows them; nothing for a stub with no settings of its own.
void print_profile(const stub_profile& found, std::ostream& out) {
    if (found.found == stub_profile::state::damaged) {
        out << "profile: region " << damaged_refusal(PROFILE_KIND, profile_damage_text(found)) << '\n';
        return;
    }
    if (found.found == stub_profile::state::several_markers) {
        out << "profile: its marker occurs more than once; which settings the installer runs with cannot be "
               "told\n";
        return;
    }
    const profile_values given = effective_values(found.settings);
    print_changed_settings(given, out);
    if (given.update_of) {
        const update_base_settings& base = *given.update_of;
        out << "updates: " << display_text(base.product) << ' ' << display_text(base.version) << " (checks ";
        if (base.files.empty()) {
            out << "only that the target directory exists)\n";
        } else {
            out << base.files.size() << (base.files.size() == 1 ? " file" : " files")
                << " of it beneath the target before it writes anything)\n";
        }
    }
}

}  // namespace

void run_info(const std::string& installer, std::ostream& out) {
    installer_file file(open_installer(installer, "info"), "info");
    const auto& h = file.payload().header;
    const std::int32_t build_time = payload::header_build_time(h);
    const stub_profile& profile = file.regions().profile;
    const stub_license& license = file.regions().license;
    // An installer that stops at its own regions shows none of its texts: info names none of them either.
    const std::string refusal = start_refusal(file.regions());
    if (refusal.empty()) {
        // The installer's product lines, with the header texts escaped for the terminal.
        const std::string product = display_text(payload::header_text(h, payload::HEADER_PRODUCT_NAME));
        const std::string version = display_text(payload::header_text(h, payload::HEADER_VERSION));
        const auto write = [&out](std::string_view piece) { out << piece; };
        payload::emit_welcome_line(product, version,
                                   display_text(payload::header_text(h, payload::HEADER_PLATFORM)),
                                   build_time, write);
        out << '\n';
        payload::emit_product_version_line(product, version, write);
        out << '\n'
            << payload::space_line(payload::header_u32(h, payload::HEADER_REQUIRED_SPACE)).data() << '\n';
    }
    out << "built " << utc_text(build_time) << " UTC (" << build_time << "); "
        << payload::header_u32(h, payload::HEADER_FILE_COUNT) << " entries, "
        << payload::header_u32(h, payload::HEADER_TOTAL_SIZE) << " bytes, "
        << payload::header_u32(h, payload::HEADER_TOTAL_STORED_SIZE) << " stored\n";
    if (refusal.empty() || profile.found == stub_profile::state::damaged) print_profile(profile, out);
    if (profile.found == stub_profile::state::damaged) {
        out << "licence: none shown (the installer stops at its profile region)\n";
    } else {
        out << license_line(license) << '\n';
    }
}

}  // namespace builder
