// The info command: the product line and build stamp as the installer's welcome screen shows them, and the
// space line of its directory screen, so that a release can be checked without running it.
#include <cstdio>
#include <ctime>

#include "builder/builder_error.h"
#include "builder/commands.h"
#include "builder/display_text.h"
#include "builder/installer_reader.h"
#include "builder/stub_license.h"
#include "builder/time_text.h"

namespace builder {
namespace {

// The welcome screen's product line, stamp in UTC.
std::string product_line(const payload::header_block& h) {
    const std::string product = display_text(payload::header_text(h, payload::HEADER_PRODUCT_NAME));
    const std::string version = display_text(payload::header_text(h, payload::HEADER_VERSION));
    const std::string platform = display_text(payload::header_text(h, payload::HEADER_PLATFORM));
    const std::time_t t = payload::header_build_time(h);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, " (build %.2d%.2d%.2d.%.2d%.2d%.2d) ", parts.tm_year % 100,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return "Let's install  " + product + " " + version + " " + platform + " software!" + stamp + "!";
}

// The directory screen computes the size in single precision; so does this.
std::string space_line(std::uint32_t required_space) {
    const float mebibytes = static_cast<float>(required_space) * 9.5367431640625e-07f;
    char text[96];
    std::snprintf(text, sizeof text, "requiring approximately %.3f MiByte of space.",
                  static_cast<double>(mebibytes));
    return text;
}

// Which agreement the licence screen shows. The first line is shown escaped and quoted, like every text
// taken from a payload: a crafted region may hold control bytes that build would have refused.
std::string license_line(const stub_license& found) {
    switch (found.found) {
        case stub_license::state::vendor_text:
            return "licence: " + std::to_string(license_line_count(found.text)) + " lines, the first " +
                   in_quotes(display_text(license_first_line(found.text)));
        case stub_license::state::built_in:
            return "licence: the agreement built into the stub";
        case stub_license::state::damaged:
            return std::string("licence: region damaged (") + license_damage_text(found.check) +
                   "); the installer shows the agreement built into the stub";
        default:
            return "licence: none (the program in front of the payload is not an installer stub)";
    }
}

}  // namespace

void run_info(const std::string& installer, std::ostream& out) {
    const installer_payload in = open_installer(installer, "info");
    const auto& h = in.header;
    const std::int32_t build_time = payload::header_build_time(h);
    out << product_line(h) << '\n'
        << "    " << display_text(payload::header_text(h, payload::HEADER_PRODUCT_NAME)) << "  "
        << display_text(payload::header_text(h, payload::HEADER_VERSION)) << '\n'
        << space_line(payload::header_u32(h, payload::HEADER_REQUIRED_SPACE)) << '\n'
        << "built " << utc_text(build_time) << " UTC (" << build_time << "); "
        << payload::header_u32(h, payload::HEADER_FILE_COUNT) << " entries, "
        << payload::header_u32(h, payload::HEADER_TOTAL_SIZE) << " bytes, "
        << payload::header_u32(h, payload::HEADER_TOTAL_STORED_SIZE) << " stored\n";
    out << license_line(read_installer_license(in, "info")) << '\n';
}

}  // namespace builder
