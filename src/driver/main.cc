// The installer's entry point: open its own file, find and check the payload, read the options, then run
// the wizard. The exit status is 0 on every path.
#include <cstdio>
#include <cstring>

#include "driver/driver_state.h"
#include "driver/standard_streams.h"
#include "driver/termination.h"
#include "driver/wizard.h"
#include "payload/payload_stream.h"

namespace {

// Whole, case-sensitive match anywhere in argv, argv[0] included.
int has_option(int argc, char** argv, const char* option) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace driver;
    secure_standard_streams();
    // argv[0] is used as given, never looked up on the search path.
    self_file = argc > 0 ? std::fopen(argv[0], "rb") : nullptr;
    if (self_file == nullptr) error("Can't find attachments (err=1).");
    payload::find_header_block(self_file, header);
    if (payload::header_u32(header, payload::HEADER_VOLUME) != payload::HEADER_VOLUME_WHOLE) {
        error("Can't find attachments (err=2).");
    }
    // Options are read only now, so a missing or damaged payload is reported whatever they say.
    autonext = has_option(argc, argv, "-autonext");
    install_new_release = has_option(argc, argv, "-InstallNewRelease");
    std::strcpy(target_dir.data(), DEFAULT_TARGET_DIR);
    state = STATE_WELCOME;
    run_wizard();
    return 0;
}
