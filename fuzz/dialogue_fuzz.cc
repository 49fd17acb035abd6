// Fuzz target: arbitrary standard input through the installer's own wizard: the welcome screen, the
// licence screen (Print goes to a file in a temporary directory, never to a printer), the directory
// screen, the existing-directory warning and "Files installed!", with the wizard's transitions between
// them; only the installation step's screen is swapped for one that writes nothing. Every screen must end,
// on any input, and return a result the wizard knows. Input: one flag byte (bit 0: "-autonext"; bit 1: the
// next 1028 bytes are the header block whose texts and build time the screens show), then standard input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "contained_exit.h"
#include "driver/license_screen.h"
#include "driver/wizard.h"
#include "payload/le_bytes.h"
#include "process/result.h"
#include "process/session.h"

namespace {

using fuzz_support::require;

constexpr std::uint8_t FUZZ_FLAG_AUTONEXT = 1;
constexpr std::uint8_t FUZZ_FLAG_HEADER = 2;

payload::header_block default_header{};
std::string scratch_dir;
std::string printer_file;
std::string default_target;  // offered as the default directory; the installation never runs

void make_default_header() {
    payload::store_u32(&default_header[payload::HEADER_REQUIRED_SPACE], 1572864);
    payload::store_u32(&default_header[payload::HEADER_BUILD_TIME], 1700000000);
    std::memcpy(&default_header[payload::HEADER_PRODUCT_NAME], "VORNA", 5);
    std::memcpy(&default_header[payload::HEADER_VERSION], "1.0", 3);
    std::memcpy(&default_header[payload::HEADER_PLATFORM], "for Linux", 9);
}

// The installation writes files; the fuzzer takes it as done and goes on to "Files installed!".
int skip_installation() {
    return process::RESULT_NEXT;
}

// The installer's own step table with the installation step's screen swapped, so that any change of the
// installer's road reaches the fuzzer.
std::vector<driver::wizard_step> dialogue_steps;

void make_dialogue_steps() {
    const std::span<const driver::wizard_step> real = driver::wizard_steps();
    dialogue_steps.assign(real.begin(), real.end());
    bool swapped = false;
    for (driver::wizard_step& step : dialogue_steps) {
        if (step.state != process::STATE_INSTALL) continue;
        step.screen = skip_installation;
        swapped = true;
    }
    require(swapped, "the wizard has an installation step to skip");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silence_installer_output();
    make_default_header();
    make_dialogue_steps();
    std::string pattern = (std::filesystem::temp_directory_path() / "dialogue-fuzz.XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    scratch_dir = pattern;
    printer_file = scratch_dir + "/printer";
    default_target = scratch_dir + "/target";
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
    process::reset_session(default_target.c_str());
    process::session.header = default_header;
    if ((flags & FUZZ_FLAG_HEADER) != 0) {
        if (size - at < payload::HEADER_SIZE) return 0;
        std::memcpy(process::session.header.data(), data + at, payload::HEADER_SIZE);
        at += payload::HEADER_SIZE;
    }
    process::session.autonext = (flags & FUZZ_FLAG_AUTONEXT) != 0 ? 1 : 0;

    // A private copy: the stream must not write into the fuzzer's input.
    std::string input(reinterpret_cast<const char*>(data + at), size - at);
    std::FILE* const saved_stdin = stdin;
    stdin = input.empty() ? std::fopen("/dev/null", "rb") : fmemopen(input.data(), input.size(), "rb");
    require(stdin != nullptr, "standard input for the dialogue");
    try {
        driver::run_wizard(dialogue_steps);
    } catch (const fuzz_support::installer_exit& exit) {
        // A cancel ends quietly; a numbered "Install error" would mean a screen gave an unknown result.
        require(exit.message.empty(), "the dialogue ends by Next to the end or by a cancel");
    }
    std::fclose(stdin);
    stdin = saved_stdin;
    return 0;
}
