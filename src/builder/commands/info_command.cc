// The info command: the product line and build stamp as the installer's welcome screen shows them, the
// space line of its directory screen, the stub's architecture, the vendor's settings that differ from the
// stub's, and the licence agreement, so that a release can be checked without running it. The wording is
// the installer's own --info's (payload/installer_report.h).
#include <algorithm>
#include <string>
#include <string_view>

#include "builder/commands/commands.h"
#include "builder/commands/settings_report.h"
#include "builder/format/region_words.h"
#include "builder/format/stub_architecture.h"
#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_file.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/mode_text.h"
#include "payload/installer_report.h"

namespace builder {
namespace {

// Which agreement the licence screen shows. The first line is shown escaped and quoted, like every text
// taken from a payload: a crafted region may hold control bytes that build would have refused.
std::string license_line(const stub_license& found) {
    std::string line;
    const auto append = [&line](std::string_view piece) { line.append(piece); };
    switch (found.found) {
        case stub_license::state::vendor_text:
            payload::write_license_line(license_line_count(found.text), license_first_line(found.text),
                                        payload::writer_to(append));
            return line;
        case stub_license::state::built_in:
            payload::write_license_line(0, {}, payload::writer_to(append));
            return line;
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
        const auto write = [&out](std::string_view piece) { out << piece; };
        const auto kept =
            static_cast<std::size_t>(std::ranges::count_if(base.files, &base_file_settings::kept));
        const bool by_content = base.files.empty() || base.files.front().by_content;
        payload::write_update_line(base.product, base.version, base.files.size(), kept, by_content,
                                   payload::writer_to(write));
    }
}

// The entries whose modes carry set-id or sticky bits, counted and the first few named; nothing when none do.
void print_special_modes(const payload_records& records, std::ostream& out) {
    constexpr std::size_t NAMED = 3;
    std::size_t count = 0;
    std::string named;
    for (const held_record& held : records.entries) {
        if (special_bits_text(held.record.mode).empty()) continue;
        if (++count <= NAMED) named += ", " + shown(held.name) + " " + permission_text(held.record.mode);
    }
    if (count == 0) return;
    out << "set-id or sticky modes: " << count << (count == 1 ? " entry" : " entries") << named
        << (count > NAMED ? ", ...\n" : "\n");
}

}  // namespace

void run_info(const std::string& installer, std::ostream& out) {
    installer_file file(open_installer(installer, "info"), "info", shipped_stubs());
    const auto& h = file.payload().header;
    const stub_profile& profile = file.regions().profile;
    const stub_license& license = file.regions().license;
    // An installer that stops at its own regions shows none of its texts: info names none of them either.
    const std::string refusal = start_refusal(file.regions());
    const auto write = [&out](std::string_view piece) { out << piece; };
    // Only an unknown program is named: what it does, no line below can promise.
    if (const stub_identity& identity = file.identity(); !identity.shipped)
        out << "warning: " << display_text(not_shipped_text(identity)) << '\n';
    // The installer's product lines, with the header texts escaped for the terminal.
    const bool update =
        profile.found == stub_profile::state::written && profile.settings.update_of.has_value();
    if (refusal.empty()) payload::write_product_lines(h, payload::writer_to(write), update);
    payload::write_totals_line(h, payload::writer_to(write));
    // Read from the program itself, so known even of an installer that would not start.
    payload::write_architecture_line(architecture_text(program_bytes(file.payload(), "info")),
                                     payload::writer_to(write));
    // Of the records the installer would read: none when it stops before them.
    if (refusal.empty() && whole_payload_problem(file.payload()).empty())
        print_special_modes(file.records(), out);
    if (refusal.empty() || profile.found == stub_profile::state::damaged) print_profile(profile, out);
    if (profile.found == stub_profile::state::damaged) {
        out << "licence: none shown (the installer stops at its profile region)\n";
    } else {
        out << license_line(license) << '\n';
    }
    if (refusal.empty())
        print_sample_texts(payload::header_text(h, payload::HEADER_PRODUCT_NAME),
                           effective_values(profile.settings),
                           license.found != stub_license::state::vendor_text, out);
}

}  // namespace builder
