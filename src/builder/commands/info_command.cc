// The info command: the product line and build stamp as the installer's welcome screen shows them, and the
// space line of its directory screen, so that a release can be checked without running it.
#include <string>
#include <string_view>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_license.h"
#include "builder/inspect/installer_reader.h"
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
    // The installer's product lines, with the header texts escaped for the terminal.
    const std::string product = display_text(payload::header_text(h, payload::HEADER_PRODUCT_NAME));
    const std::string version = display_text(payload::header_text(h, payload::HEADER_VERSION));
    const auto write = [&out](std::string_view piece) { out << piece; };
    payload::emit_welcome_line(
        product, version, display_text(payload::header_text(h, payload::HEADER_PLATFORM)), build_time, write);
    out << '\n';
    payload::emit_product_version_line(product, version, write);
    out << '\n'
        << payload::space_line(payload::header_u32(h, payload::HEADER_REQUIRED_SPACE)).data() << '\n'
        << "built " << utc_text(build_time) << " UTC (" << build_time << "); "
        << payload::header_u32(h, payload::HEADER_FILE_COUNT) << " entries, "
        << payload::header_u32(h, payload::HEADER_TOTAL_SIZE) << " bytes, "
        << payload::header_u32(h, payload::HEADER_TOTAL_STORED_SIZE) << " stored\n";
    out << license_line(read_installer_license(in, "info")) << '\n';
}

}  // namespace builder
