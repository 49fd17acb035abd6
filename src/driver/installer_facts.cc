#include "driver/installer_facts.h"

#include "install/payload_check.h"

namespace driver {

void write_installer_info(std::FILE* out) {
    std::fputs("info\n", out);
}

void write_installer_list(std::FILE* out) {
    std::fputs("list\n", out);
}

void check_whole_installer() {
    install::check_payload_first();
}

}  // namespace driver
