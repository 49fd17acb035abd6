#include "support/install_in_child.h"

#include "install/install_files.h"
#include "process/payload_stream.h"
#include "process/session.h"

namespace testing_support {

void set_up_install(std::FILE* self, const std::string& target) {
    process::reset_session(target.c_str());
    process::session.self_file = self;
    process::find_header_block(process::session.self_file, process::session.header);
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
