// The fuzz programs' termination routines: the same texts as the installer's, thrown instead of exiting.
#include "contained_exit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "process/session.h"
#include "process/termination.h"

namespace fuzz_support {

bool is_numbered_message(const std::string& message) {
    if (!message.ends_with(").")) return false;
    const std::size_t open = message.rfind('(');
    if (open == std::string::npos) return false;
    std::size_t digits = message.compare(open, 5, "(err=") == 0 ? open + 5 : open + 1;
    const std::size_t close = message.size() - 2;
    if (digits >= close) return false;
    for (; digits < close; ++digits) {
        if (message[digits] < '0' || message[digits] > '9') return false;
    }
    return true;
}

void silence_installer_output() {
    static std::FILE* null_stream = std::fopen("/dev/null", "w");
    require(null_stream != nullptr, "/dev/null cannot be opened");
    stderr = null_stream;
}

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stdout, "broken promise: %s\n", what);
    std::fflush(stdout);
    std::abort();
}

}  // namespace fuzz_support

namespace {

// What exit_installer does before its exit: the installer's own file is closed.
[[noreturn]] void leave(const std::string& message) {
    if (process::session.self_file != nullptr) {
        std::fclose(process::session.self_file);
        process::session.self_file = nullptr;
    }
    throw fuzz_support::installer_exit{message};
}

}  // namespace

namespace process {

void error(const char* message) {
    if (message != nullptr) std::fprintf(stderr, "%s\n", message);
    leave(message != nullptr ? message : "");
}

void error_errno(const char* message, const char* tag, int errnum) {
    std::string text = message != nullptr ? message : "";
    if (errnum != 0) {
        const char* system_text = std::strerror(errnum);
        if (system_text != nullptr && *system_text != '\0') text += std::string(" - ") + system_text;
    }
    if (tag != nullptr) text += std::string(" ") + tag;
    std::fprintf(stderr, "%s\n", text.c_str());
    leave(text);
}

void exit_installer() {
    leave("");
}

void end_with_status(int status) {
    leave(status == 0 ? "" : "status " + std::to_string(status));
}

}  // namespace process
