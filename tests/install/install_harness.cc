#include "install_harness.h"

#include "support/install_in_child.h"

namespace install_test {

using namespace testing_support;

process_result run_install_image(const std::string& image, const std::string& target) {
    const std::string path = target + ".installer";
    write_file(path, image);
    return install_in_child(path, target);
}

process_result run_install(const test_payload& payload, const std::string& target) {
    return run_install_image(stub_with_payload(payload_bytes(payload)), target);
}

}  // namespace install_test
