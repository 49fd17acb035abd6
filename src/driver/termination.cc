#include "driver/termination.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/driver_state.h"

namespace driver {
namespace {
constexpr const char* TERMINATED_TEXT = "\n\nInstallation terminated.\n";
}

void error(const char* message) {
    if (message != nullptr) std::fprintf(stderr, "%s\n", message);
    std::fputs(TERMINATED_TEXT, stderr);
    exit_installer();
}

void error_errno(const char* message, const char* tag, int errnum) {
    if (message != nullptr) std::fputs(message, stderr);
    if (errnum != 0) {
        const char* text = std::strerror(errnum);
        if (text != nullptr && *text != '\0') std::fprintf(stderr, " - %s", text);
    }
    if (tag != nullptr) std::fprintf(stderr, " %s", tag);
    std::fputs("\n", stderr);
    std::fputs(TERMINATED_TEXT, stderr);
    exit_installer();
}

void exit_installer() {
    if (session.self_file != nullptr) {
        std::fclose(session.self_file);
        session.self_file = nullptr;
    }
    std::exit(0);
}

}  // namespace driver
