#include "screen_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "payload/header_block.h"
#include "process/session.h"
#include "support/installer_run.h"
#include "target/directory_screen.h"

namespace testing_support {
namespace {

void put_header_text(std::size_t offset, const std::string& text) {
    std::memcpy(&process::session.header[offset], text.data(),
                std::min(text.size(), payload::HEADER_TEXT_SIZE));
}

}  // namespace

screen_result run_screen(const std::string& input, const screen_setup& setup) {
    temp_dir out;
    const std::string target_file = out / "target";
    const process_result r = run_in_child(
        [&setup, &target_file] {
            process::reset_session(setup.offered.c_str());
            put_header_text(payload::HEADER_PRODUCT_NAME, setup.product);
            put_header_text(payload::HEADER_VERSION, setup.version);
            payload::store_u32(&process::session.header[payload::HEADER_REQUIRED_SPACE],
                               setup.required_space);
            process::session.autonext = setup.autonext ? 1 : 0;
            if (!setup.cwd.empty() && chdir(setup.cwd.c_str()) != 0) return 125;
            if (setup.remove_cwd && rmdir(setup.cwd.c_str()) != 0) return 124;
            const int result = target::select_install_dir();
            write_file(target_file, process::session.target_dir.data());
            return result;
        },
        input);
    screen_result result;
    result.result = r.exit_code;
    result.err = r.err;
    if (std::filesystem::exists(target_file)) result.target = read_file(target_file);
    return result;
}

}  // namespace testing_support
