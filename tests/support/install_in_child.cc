#include "support/install_in_child.h"

#include <algorithm>

#include "driver/agreement.h"
#include "install/install_files.h"
#include "process/payload_stream.h"
#include "process/session.h"
#include "process/vendor_settings.h"
#include "support/stub_regions.h"

namespace testing_support {

void set_up_install(std::FILE* self, const std::string& target) {
    process::reset_session(target.c_str());
    process::session.self_file = self;
    process::find_header_block(process::session.self_file, process::session.header);
}

void set_up_as_installer(const std::string& image_path) {
    const std::string image = read_file(image_path);
    const auto adopt = [&image](const payload::kept_marker& kept, auto& region) {
        const std::size_t at = region_offset(image, kept);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), region.size(), region.begin());
    };
    adopt(payload::LICENSE_MARKER_KEPT, driver::license_region);
    adopt(payload::PROFILE_MARKER_KEPT, process::profile_region);
    process::load_vendor_settings();
    set_up_install(std::fopen(image_path.c_str(), "rb"), "");
}

process_result install_in_child(const std::string& image_path, const std::string& target,
                                const std::function<int()>& before, const std::function<int()>& after) {
    return run_in_child([&] {
        if (before) {
            if (const int status = before(); status != 0) return status;
        }
        set_up_install(std::fopen(image_path.c_str(), "rb"), target);
        install::install_files();
        return after ? after() : 0;
    });
}

}  // namespace testing_support
