// Fuzz target: arbitrary bytes as the installer's own file, through the header search, the record,
// stored-bytes and file-bytes checks and the decoder, down to the files written beneath a target
// directory in a sandbox. Input: one flag byte, then the installer file. With flag bit 0 set, every CRC-16
// is made right first (reseal), so that mutations reach past the checks. Each input must end in a
// complete installation or a numbered message, and must leave everything outside the target untouched.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "contained_exit.h"
#include "driver/driver_state.h"
#include "driver/termination.h"
#include "install/install_files.h"
#include "payload/payload_stream.h"
#include "payload_walk.h"
#include "sandbox.h"

namespace {

using fuzz_support::require;

constexpr std::uint8_t FUZZ_FLAG_RESEAL = 1;

const fuzz_support::sandbox* files = nullptr;

// Descriptors 3 to 63 that are open, as a bit set.
constexpr int FUZZ_DESCRIPTORS = 64;
std::uint64_t open_descriptors() {
    std::uint64_t open = 0;
    for (int fd = 3; fd < FUZZ_DESCRIPTORS; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) open |= std::uint64_t{1} << fd;
    }
    return open;
}

// A failure after an installed file was opened leaves it open, as it may in a process about to end; here
// the process goes on, so what the input left open is closed (and only that: the sanitizers keep
// descriptors of their own).
void close_left_open(std::uint64_t before) {
    const std::uint64_t left = open_descriptors() & ~before;
    for (int fd = 3; fd < FUZZ_DESCRIPTORS; ++fd) {
        if ((left >> fd & 1) != 0) close(fd);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silence_installer_output();
    files = new fuzz_support::sandbox();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::vector<std::uint8_t> image(data + 1, data + size);
    if ((data[0] & FUZZ_FLAG_RESEAL) != 0) fuzz_support::reseal(image);
    if (!fuzz_support::within_limits(image)) return 0;

    const std::uint64_t descriptors_before = open_descriptors();
    driver::self_file = fmemopen(image.data(), image.size(), "rb");
    require(driver::self_file != nullptr, "fmemopen");
    std::snprintf(driver::target_dir.data(), driver::target_dir.size(), "%s", files->target().c_str());
    try {
        payload::find_header_block(driver::self_file, driver::header);
        // As the installer's start-up does.
        if (payload::header_u32(driver::header, payload::HEADER_VOLUME) != payload::HEADER_VOLUME_WHOLE) {
            driver::error("Can't find attachments (err=2).");
        }
        install::install_files();
        std::fclose(driver::self_file);
        driver::self_file = nullptr;
    } catch (const fuzz_support::installer_exit& exit) {
        require(fuzz_support::is_numbered_message(exit.message), "a failure ends with a numbered message");
    }
    close_left_open(descriptors_before);
    files->check_and_clear();
    return 0;
}
