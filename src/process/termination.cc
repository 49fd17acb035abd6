#include "process/termination.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "process/held_output.h"
#include "process/session.h"
#include "process/vendor_settings.h"

namespace process {
namespace {

constexpr const char* TERMINATED_TEXT = "\n\nInstallation terminated.\n";

// `conventional` is the status for the vendor who asked for conventional ones.
[[noreturn]] void end_installer(int conventional) {
    if (session.self_file != nullptr) {
        std::fclose(session.self_file);
        session.self_file = nullptr;
    }
    std::exit(exit_choice() == payload::exit_status::conventional ? conventional : 0);
}

}  // namespace

void error(const char* message) {
    flush_held_output();
    if (message != nullptr) std::fprintf(stderr, "%s\n", message);
    std::fputs(TERMINATED_TEXT, stderr);
    end_installer(message != nullptr ? payload::EXIT_STATUS_FAILED : payload::EXIT_STATUS_CANCELLED);
}

void error_errno(const char* message, const char* tag, int errnum) {
    flush_held_output();
    if (message != nullptr) std::fputs(message, stderr);
    if (errnum != 0) {
        const char* text = std::strerror(errnum);
        if (text != nullptr && *text != '\0') std::fprintf(stderr, " - %s", text);
    }
    if (tag != nullptr) std::fprintf(stderr, " %s", tag);
    std::fputs("\n", stderr);
    std::fputs(TERMINATED_TEXT, stderr);
    end_installer(payload::EXIT_STATUS_FAILED);
}

void exit_installer() {
    end_installer(payload::EXIT_STATUS_CANCELLED);
}

}  // namespace process
