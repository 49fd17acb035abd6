// Fuzz target: arbitrary standard input through the dialogue: the welcome screen, the licence screen
// (Print goes to a file in a temporary directory, never to a printer), the directory screen, the
// existing-directory warning and "Files installed!", with the wizard's transitions between them; the
// installation itself is skipped. Every screen must end, on any input, and return a result the wizard
// knows. Input: one flag byte (bit 0: "-autonext"; bit 1: the next 1028 bytes are the header block whose
// texts and build time the screens show), then standard input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "contained_exit.h"
#include "driver/driver_state.h"
#include "driver/license_screen.h"
#include "driver/result.h"
#include "driver/screens.h"
#include "payload/le_bytes.h"
#include "target/directory_screen.h"

namespace {

using fuzz_support::require;

constexpr std::uint8_t FUZZ_FLAG_AUTONEXT = 1;
constexpr std::uint8_t FUZZ_FLAG_HEADER = 2;

payload::header_block default_header{};
std::string scratch_dir;
std::string printer_file;

void make_default_header() {
    payload::store_u32(&default_header[payload::HEADER_REQUIRED_SPACE], 1572864);
    payload::store_u32(&default_header[payload::HEADER_BUILD_TIME], 1700000000);
    std::memcpy(&default_header[payload::HEADER_PRODUCT_NAME], "VORNA", 5);
    std::memcpy(&default_header[payload::HEADER_VERSION], "1.0", 3);
    std::memcpy(&default_header[payload::HEADER_PLATFORM], "for Linux", 9);
}

int show(int state) {
    switch (state) {
        case driver::STATE_WELCOME:
            return driver::welcome_screen();
        case driver::STATE_LICENSE:
            return driver::license_screen();
        case driver::STATE_DIRECTORY:
            return target::select_install_dir();
        case driver::STATE_DIR_EXISTS:
            return driver::dir_exists_screen();
        default:
            return driver::installed_screen();
    }
}

// The wizard's rows for the screens that ask, with the installation step left out: Next at the
// existing-directory warning leads straight to "Files installed!".
struct fuzz_step {
    int state, back_state, next_state;
};
constexpr fuzz_step FUZZ_STEPS[] = {
    {driver::STATE_WELCOME, driver::STATE_WELCOME, driver::STATE_LICENSE},
    {driver::STATE_LICENSE, driver::STATE_WELCOME, driver::STATE_DIRECTORY},
    {driver::STATE_DIRECTORY, driver::STATE_WELCOME, driver::STATE_DIR_EXISTS},
    {driver::STATE_DIR_EXISTS, driver::STATE_DIRECTORY, driver::STATE_INSTALLED},
    {driver::STATE_INSTALLED, driver::STATE_INSTALLED, driver::STATE_COMPLETE},
};

void run_dialogue() {
    int state = driver::STATE_WELCOME;
    while (state != driver::STATE_COMPLETE) {
        const fuzz_step* step = nullptr;
        for (const fuzz_step& s : FUZZ_STEPS) {
            if (s.state == state) step = &s;
        }
        require(step != nullptr, "the wizard only reaches known states");
        const int result = show(state);
        if (result == driver::RESULT_CANCEL) return;
        require(result == driver::RESULT_NEXT || result == driver::RESULT_BACK,
                "a screen returns Next, Back or Cancel");
        state = result == driver::RESULT_NEXT ? step->next_state : step->back_state;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silence_installer_output();
    make_default_header();
    std::string pattern = (std::filesystem::temp_directory_path() / "dialogue-fuzz.XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    scratch_dir = pattern;
    printer_file = scratch_dir + "/printer";
    driver::printer_device = printer_file.c_str();
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch_dir, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    std::size_t at = 1;
    driver::header = default_header;
    if ((flags & FUZZ_FLAG_HEADER) != 0) {
        if (size - at < payload::HEADER_SIZE) return 0;
        std::memcpy(driver::header.data(), data + at, payload::HEADER_SIZE);
        at += payload::HEADER_SIZE;
    }
    driver::autonext = (flags & FUZZ_FLAG_AUTONEXT) != 0 ? 1 : 0;
    std::strcpy(driver::target_dir.data(), driver::DEFAULT_TARGET_DIR);

    // A private copy: the stream must not write into the fuzzer's input.
    std::string input(reinterpret_cast<const char*>(data + at), size - at);
    std::FILE* const saved_stdin = stdin;
    stdin = input.empty() ? std::fopen("/dev/null", "rb") : fmemopen(input.data(), input.size(), "rb");
    require(stdin != nullptr, "standard input for the dialogue");
    try {
        run_dialogue();
    } catch (const fuzz_support::installer_exit&) {
        require(false, "the dialogue ends by its results, not by a termination routine");
    }
    std::fclose(stdin);
    stdin = saved_stdin;
    return 0;
}
