#include "install_harness.h"

#include <cstdio>
#include <cstring>

#include "driver/driver_state.h"
#include "install/install_files.h"
#include "payload/payload_stream.h"

namespace install_test {

using namespace testing_support;

process_result run_install_image(const std::string& image, const std::string& target) {
    const std::string path = target + ".installer";
    write_file(path, image);
    return run_in_child([&] {
        driver::self_file = std::fopen(path.c_str(), "rb");
        payload::find_header_block(driver::self_file, driver::header);
        std::snprintf(driver::target_dir.data(), driver::target_dir.size(), "%s", target.c_str());
        install::install_files();
        return 0;
    });
}

process_result run_install(const test_payload& payload, const std::string& target) {
    return run_install_image(stub_with_payload(payload_bytes(payload)), target);
}

}  // namespace install_test
