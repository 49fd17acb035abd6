// The license command: the licence text an installer shows, as it shows it, on standard output.
#include "builder/builder_error.h"
#include "builder/commands.h"
#include "builder/installer_reader.h"
#include "builder/stub_license.h"

namespace builder {

void run_license(const std::string& installer, std::ostream& out) {
    const installer_payload in = open_installer(installer, "license");
    const stub_license found = read_installer_license(in, "license");
    switch (found.found) {
        case stub_license::state::vendor_text:
            out << found.text;
            return;
        case stub_license::state::built_in:
            throw error("license: " + in_quotes(installer) +
                        " carries no licence text of its own; the installer shows the agreement built into "
                        "its stub");
        case stub_license::state::damaged:
            throw error("license: the licence region of " + in_quotes(installer) + " is damaged (" +
                        license_damage_text(found.check) +
                        "); the installer shows the agreement built into its stub");
        case stub_license::state::not_a_stub:
        case stub_license::state::several_markers:
            break;
    }
    throw error("license: the program in front of the payload of " + in_quotes(installer) +
                " is not an installer stub");
}

}  // namespace builder
