// The installer's entry point: open its own file, find and check the payload, check the stub's own
// regions, read the options, then run the wizard. The exit status is 0 on every path unless the vendor's
// settings ask for the conventional ones (termination.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "driver/agreement.h"
#include "driver/command_line.h"
#include "driver/wizard.h"
#include "install/progress.h"
#include "payload/installer_messages.h"
#include "process/payload_stream.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/standard_streams.h"
#include "process/termination.h"
#include "process/vendor_settings.h"
#include "target/default_dir.h"

namespace {

// Whole, case-sensitive match anywhere in argv, argv[0] included.
int has_option(int argc, char** argv, const char* option) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) return 1;
    }
    return 0;
}

// The installer's own file. argv[0] with a '/' is opened as it is. A bare name came through the search
// path or from whoever started us; the file of that name in the working directory may be another
// program's, so it is taken only when it is the running program itself (checked on the opened file, so
// nothing can swap it in between). Where /proc/self/exe cannot be examined the bare name is trusted. It
// is opened, not merely stat'ed: an emulator running the installer for another architecture answers an
// open of it with the installer's file, where a stat would reach the emulator's own.
bool running_program_file(struct stat* running) {
    const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool examined = fstat(fd, running) == 0;
    close(fd);
    return examined;
}

std::FILE* open_own_file(const char* argv0) {
    struct stat running {};
    if (std::strchr(argv0, '/') != nullptr || !running_program_file(&running)) return std::fopen(argv0, "rb");
    std::FILE* file = std::fopen(argv0, "rb");
    struct stat opened {};
    if (file != nullptr && (fstat(fileno(file), &opened) != 0 || opened.st_dev != running.st_dev ||
                            opened.st_ino != running.st_ino)) {
        std::fclose(file);
        file = nullptr;
    }
    return file;
}

// The conventional command line: a report ends here; an installation goes on in the mode it asks for.
void take_command_line(int argc, char** argv) {
    process::run.own_name = argc > 0 ? argv[0] : "installer";
    const driver::command_action action = driver::read_command_line(argc, argv);
    if (action != driver::command_action::install) driver::carry_out(action);
    driver::check_run_request();
    // Drawings with backspaces are for a person watching a terminal.
    install::set_progress_drawn(!process::run.unattended ||
                                (!process::run.quiet && isatty(STDERR_FILENO) == 1));
}

}  // namespace

int main(int argc, char** argv) {
    using namespace driver;
    process::secure_standard_streams();
    process::reset_session("");
    process::load_vendor_settings();
    process::run.gnu = process::installer_options_choice() == payload::installer_options::gnu;
    // argv[0] is never looked up on the search path.
    process::session.self_file = argc > 0 ? open_own_file(argv[0]) : nullptr;
    if (process::session.self_file == nullptr) process::error("Can't find attachments (err=1).");
    process::find_header_block(process::session.self_file, process::session.header);
    if (payload::header_u32(process::session.header, payload::HEADER_VOLUME) !=
        payload::HEADER_VOLUME_WHOLE) {
        process::error(payload::MESSAGE_NOT_WHOLE);
    }
    // The settings first: a damaged licence region ends with the exit status they name.
    process::check_vendor_settings();
    check_license_region();
    // Options are read only now, so a missing or damaged payload is reported whatever they say.
    process::session.autonext = has_option(argc, argv, "-autonext");
    process::session.install_new_release = has_option(argc, argv, "-InstallNewRelease");
    if (process::run.gnu) take_command_line(argc, argv);
    process::set_target_dir(target::choose_default_dir());
    run_wizard();
    process::close_run_log("complete");
    return 0;
}
