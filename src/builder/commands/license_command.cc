// The license command: the licence text an installer shows, as it shows it, on standard output.
#include "builder/commands/commands.h"
#include "builder/inspect/installer_file.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {

void run_license(const std::string& installer, std::ostream& out) {
    installer_file file(open_installer(installer, "license"), "license");
    const stub_license& found = file.regions().license;
    // A text is shown only by an installer that gets past both its regions to its licence screen.
    if (const std::string refusal = start_refusal(file.regions()); !refusal.empty())
        throw error("license: " + shown(installer) + ": " + refusal + "; it shows no licence text");
    switch (found.found) {
        case stub_license::state::vendor_text:
            // Line by line, escaped: build writes only printable text, but a crafted region may hold
            // control bytes meant for the terminal. The text always ends with a line feed.
            for (std::string_view rest = found.text; !rest.empty();) {
                const std::size_t end = rest.find('\n');
                out << display_text(rest.substr(0, end)) << '\n';
                rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            }
            return;
        case stub_license::state::built_in:
            throw error("license: " + shown(installer) +
                        " carries no licence text of its own; the installer shows the agreement built into "
                        "its stub");
        case stub_license::state::damaged:  // start_refusal named it
        case stub_license::state::not_a_stub:
        case stub_license::state::several_markers:
            break;
    }
    throw error("license: the program in front of the payload of " + shown(installer) +
                " is not an installer stub");
}

}  // namespace builder
