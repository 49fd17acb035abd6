#include "process/termination.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "payload/error_text.h"
#include "payload/path_limit.h"
#include "process/held_output.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/vendor_settings.h"

namespace process {
namespace {

constexpr const char* TERMINATED_TEXT = "\n\nInstallation terminated.\n";

[[noreturn]] void close_and_exit(int status, std::string_view outcome) {
    if (session.self_file != nullptr) {
        std::fclose(session.self_file);
        session.self_file = nullptr;
    }
    close_run_log(outcome);
    std::exit(status);
}

// `conventional` is the status for the vendor who asked for conventional ones. Once every file is in
// place a cancel or a quit no longer undoes anything: the installation is complete.
[[noreturn]] void end_installer(int conventional) {
    if (run.installed && conventional == payload::EXIT_STATUS_CANCELLED)
        conventional = payload::EXIT_STATUS_COMPLETE;
    const bool conventional_asked = exit_choice() == payload::exit_status::conventional || run.gnu;
    close_and_exit(conventional_asked ? conventional : 0,
                   conventional == payload::EXIT_STATUS_COMPLETE    ? "complete"
                   : conventional == payload::EXIT_STATUS_CANCELLED ? "cancelled"
                                                                    : "failed");
}

void write_termination_line() {
    if (!run.reporting) std::fputs(TERMINATED_TEXT, stderr);
}

}  // namespace

void error(const char* message) {
    flush_held_output();
    if (message != nullptr) {
        std::fprintf(stderr, "%s\n", message);
        log_line("failure", message);
    } else if (run.installed && run.gnu) {
        // The last question cancelled: every file is in place all the same.
        std::fputs("\n\nInstallation complete.\n\n", stderr);
        end_installer(payload::EXIT_STATUS_COMPLETE);
    }
    write_termination_line();
    end_installer(message != nullptr ? payload::EXIT_STATUS_FAILED : payload::EXIT_STATUS_CANCELLED);
}

void error_errno(const char* message, const char* tag, int errnum) {
    flush_held_output();
    // One line, so that the log gets it whole; a message is a path at most, far within the line.
    std::array<char, 3 * payload::TARGET_PATH_SIZE> line{};
    std::size_t length = 0;
    const auto append = [&](const char* piece) {
        const std::size_t n = std::min(std::strlen(piece), line.size() - 1 - length);
        std::memcpy(line.data() + length, piece, n);
        length += n;
    };
    if (message != nullptr) append(message);
    if (errnum != 0) {
        append(" - ");
        append(payload::error_text(errnum));
    }
    if (tag != nullptr) {
        append(" ");
        append(tag);
    }
    std::fwrite(line.data(), 1, length, stderr);
    std::fputs("\n", stderr);
    log_line("failure", {line.data(), length});
    write_termination_line();
    end_installer(payload::EXIT_STATUS_FAILED);
}

void end_with_status(int status) {
    close_and_exit(status, status == 0 ? "complete" : "failed");
}

void exit_installer() {
    end_installer(payload::EXIT_STATUS_CANCELLED);
}

}  // namespace process
