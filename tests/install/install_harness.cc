#include "install_harness.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "support/install_in_child.h"

namespace install_test {

using namespace testing_support;

process_result run_install_image(const std::string& image, const std::string& target) {
    const std::string path = target + ".installer";
    write_file(path, image);
    return install_in_child(path, target);
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
