#include "install_harness.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

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

std::map<std::string, std::string> snapshot(const std::string& dir) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code missing;
    if (!fs::exists(dir, missing)) return entries;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        // Text, not fs::relative, which would resolve the links being recorded.
        const std::string relative = it->path().string().substr(dir.size() + 1);
        if (it->is_symlink()) {
            entries[relative] = "link " + fs::read_symlink(it->path()).string();
        } else if (it->is_directory()) {
            entries[relative] = "dir";
        } else {
            entries[relative] = "file " + read_file(it->path().string());
        }
    }
    return entries;
}

process_result run_install(const test_payload& payload, const std::string& target) {
    return run_install_image(stub_with_payload(payload_bytes(payload)), target);
}

}  // namespace install_test
