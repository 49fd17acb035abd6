// Fuzz target: arbitrary bytes as the installer's own file, through the header search, the start-up's
// checks of the regions of the program in front of the payload, the record, stored-bytes and file-bytes
// checks and the decoder, down to the files written beneath a target directory in a sandbox. Input: one flag
// byte, then the installer file. With flag bit 0 set, every CRC-16 is made right first (reseal), so that
// mutations reach past the checks. Each input must end in a complete installation or a numbered message, and
// must leave everything outside the target untouched.
//
// mkinstaller's reader then gets the same bytes as an installer file: list (table and JSON), verify, and
// extract into the target (once, then again with --force over what the first left), under the same
// sandbox check. verify must agree with the installer that just ran into an empty target: it passes only
// what the installer installs, and when the installer stops, verify fails quoting the installer's message.
// (Only a path longer than the system accepts depends on the target's own path, which verify cannot know;
// and an image whose program carries another removal rule than this program is laid out with that one.)
// Where the records claim more than the header's totals, verify names that total before it decodes
// anything, whatever the installer meets later; and no reading command produces more file bytes than
// the header's total size allows.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "builder/commands/commands.h"
#include "builder/format/stub_license.h"
#include "builder/format/stub_profile.h"
#include "builder/inspect/entry_bytes.h"
#include "builder/inspect/installer_reader.h"
#include "builder/util/error.h"
#include "contained_exit.h"
#include "fuzz_image.h"
#include "install/install_files.h"
#include "payload/installer_messages.h"
#include "process/payload_stream.h"
#include "process/session.h"
#include "process/termination.h"
#include "sandbox.h"
#include "support/payload_image.h"

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

// The installer file for mkinstaller, in a directory of its own beside the sandbox.
std::string image_dir;
std::string image_path;

// Runs one reading command; returns the message of the error it ended with, or "" on success.
template <typename Command>
std::string failure_of(Command command) {
    try {
        command();
    } catch (const builder::error& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
    return "";
}

// The installer here runs with the settings compiled into this program, while verify lays an image out
// with the removal rule of the image's own program: they are compared only where the two rules agree.
bool carries_other_removal_rule(const std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return false;
    const builder::stub_profile found =
        builder::find_stub_profile(std::string_view(image).substr(0, in.header_offset));
    return builder::effective_values(found.settings).removal != payload::same_name_removal::anywhere;
}

// The message the image's own program refuses to start with, its profile region checked first, or null:
// the installer checks the regions it carries, and here that is the image's program, not this one.
const char* start_refusal_of(const std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return nullptr;
    const std::string_view program = std::string_view(image).substr(0, in.header_offset);
    if (builder::find_stub_profile(program).found == builder::stub_profile::state::damaged)
        return payload::MESSAGE_PROFILE_CORRUPTED;
    if (builder::find_stub_license(program).found == builder::stub_license::state::damaged)
        return payload::MESSAGE_LICENSE_CORRUPTED;
    return nullptr;
}

// The header's total size, or 0 without a header: the most file bytes a reader may produce.
std::uint64_t claimed_total_size(const std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return 0;
    return payload::header_u32(in.header, payload::HEADER_TOTAL_SIZE);
}

// Whether the records, read by their lengths as they lie (not through the walk under test), take a sum
// of file sizes, stored sizes or record lengths past the header's total before the image ends.
bool sums_pass_a_total(const std::string& image) {
    using testing_support::get_u32;
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return false;
    const std::size_t fields[] = {payload::RECORD_FILE_SIZE, payload::RECORD_STORED_SIZE,
                                  payload::RECORD_LENGTH};
    const std::size_t totals[] = {payload::HEADER_TOTAL_SIZE, payload::HEADER_TOTAL_STORED_SIZE,
                                  payload::HEADER_TOTAL_RECORD_SIZE};
    std::uint64_t sums[3] = {};
    std::uint64_t at = in.header_offset + payload::HEADER_SIZE;
    for (std::uint32_t i = 0; i < payload::header_u32(in.header, payload::HEADER_FILE_COUNT); ++i) {
        if (at + payload::RECORD_NAME > image.size()) return false;
        for (int k = 0; k < 3; ++k) {
            sums[k] += get_u32(image, at + fields[k]);
            if (sums[k] > payload::header_u32(in.header, totals[k])) return true;
        }
        const bool deleted = get_u32(image, at + payload::RECORD_METHOD) == payload::METHOD_DELETE;
        at += get_u32(image, at + payload::RECORD_LENGTH) +
              (deleted ? 0 : get_u32(image, at + payload::RECORD_STORED_SIZE));
    }
    return false;
}

// `installer_message` is what the installer stopped with, or null when it completed.
void run_reader(const std::string& image, const std::string* installer_message) {
    {
        std::ofstream out(image_path, std::ios::binary | std::ios::trunc);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
        require(static_cast<bool>(out), "the installer file for mkinstaller is written");
    }
    std::ostringstream out, warnings;
    (void)failure_of([&] { builder::run_list(image_path, false, out, warnings); });
    (void)failure_of([&] { builder::run_list(image_path, true, out, warnings); });
    const std::uint64_t allowed = claimed_total_size(image);
    std::uint64_t produced = builder::entry_bytes_produced();
    const std::string verified = failure_of([&] { builder::run_verify(image_path, true, out, warnings); });
    require(builder::entry_bytes_produced() - produced <= allowed,
            "verify produces no more file bytes than the header's total size");
    // Found before anything is decoded, an impossible total may come before the installer's own stop.
    const bool past_totals = verified.find("past the header's total") != std::string::npos;
    require(!past_totals || sums_pass_a_total(image), "verify names a total only where the records pass it");
    const bool path_too_long =
        installer_message != nullptr && installer_message->find("File name too long") != std::string::npos;
    if (!path_too_long && !carries_other_removal_rule(image)) {
        // Besides the payload, verify checks what the installer does not: the header totals, texts and
        // names build would refuse, and the program in front of the payload (any bytes here, never a stub).
        const bool beyond_installer = verified.find("header ") != std::string::npos || past_totals ||
                                      verified.find("; build refuses such a") != std::string::npos ||
                                      verified.find("installer stub") != std::string::npos ||
                                      verified.find("licence region") != std::string::npos;
        require(verified.empty() || installer_message != nullptr || beyond_installer,
                "verify fails only what the installer cannot install, its header totals or its stub");
        require(installer_message == nullptr || past_totals ||
                    verified.find("\"" + *installer_message + "\"") != std::string::npos,
                "verify quotes the message the installer stops with");
    }
    produced = builder::entry_bytes_produced();
    (void)failure_of([&] { builder::run_extract(image_path, files->target(), false, false, out); });
    (void)failure_of([&] { builder::run_extract(image_path, files->target(), true, false, out); });
    require(builder::entry_bytes_produced() - produced <= 2 * allowed,
            "extract produces no more file bytes than the header's total size");
    files->check_and_clear();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silence_installer_output();
    files = new fuzz_support::sandbox();
    std::string pattern = (std::filesystem::temp_directory_path() / "payload-fuzz-image.XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    image_dir = pattern;
    image_path = image_dir + "/setup";
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(image_dir, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::string image(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & FUZZ_FLAG_RESEAL) != 0) fuzz_support::reseal(image);
    if (!fuzz_support::within_limits(image)) return 0;

    const std::uint64_t descriptors_before = open_descriptors();
    process::reset_session(files->target().c_str());
    process::session.self_file = fmemopen(image.data(), image.size(), "rb");
    require(process::session.self_file != nullptr, "fmemopen");
    std::string installer_message;
    bool completed = false;
    try {
        process::find_header_block(process::session.self_file, process::session.header);
        // As the installer's start-up does.
        if (payload::header_u32(process::session.header, payload::HEADER_VOLUME) !=
            payload::HEADER_VOLUME_WHOLE) {
            process::error(payload::MESSAGE_NOT_WHOLE);
        }
        if (const char* refusal = start_refusal_of(image)) process::error(refusal);
        install::install_files();
        std::fclose(process::session.self_file);
        process::session.self_file = nullptr;
        completed = true;
    } catch (const fuzz_support::installer_exit& exit) {
        require(fuzz_support::is_numbered_message(exit.message), "a failure ends with a numbered message");
        installer_message = exit.message;
    }
    close_left_open(descriptors_before);
    files->check_and_clear();
    run_reader(image, completed ? nullptr : &installer_message);
    return 0;
}
