// The registry of temporary names and the signal handler that removes them.
#include "builder/util/temporary_names.h"

#include <fcntl.h>
#include <unistd.h>

#include "builder/util/error.h"

namespace builder {
namespace {

constexpr int TEMPORARY_CLEANUP_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ};
// A build holds three names at most (OUTPUT's, the checksum's, the earlier OUTPUT), an extract one.
constexpr int TEMPORARY_MAX_NAMES = 8;

struct temporary_slot {
    volatile int dir;
    const char* volatile name;
};

temporary_slot temporary_slots[TEMPORARY_MAX_NAMES];
bool handlers_installed = false;

extern "C" void remove_temporaries_and_die(int signal_number) {
    for (temporary_slot& slot : temporary_slots) {
        const char* name = slot.name;
        if (name != nullptr) unlinkat(slot.dir, name, 0);
    }
    // SA_RESETHAND has made the action the default again: the signal ends the process as it would have.
    raise(signal_number);
}

// Signals that are ignored stay ignored (nohup, background jobs, a parent that ignores SIGPIPE).
void install_handlers() {
    if (handlers_installed) return;
    handlers_installed = true;
    for (const int s : TEMPORARY_CLEANUP_SIGNALS) {
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = remove_temporaries_and_die;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (const int other : TEMPORARY_CLEANUP_SIGNALS) sigaddset(&action.sa_mask, other);
        sigaction(s, &action, nullptr);
    }
}

}  // namespace

signal_hold::signal_hold() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : TEMPORARY_CLEANUP_SIGNALS) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
}

signal_hold::~signal_hold() {
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

void remember_temporary(int dir_fd, const char* name) {
    install_handlers();
    for (temporary_slot& slot : temporary_slots) {
        if (slot.name == nullptr) {
            slot.dir = dir_fd;
            slot.name = name;
            return;
        }
    }
    unlinkat(dir_fd, name, 0);
    throw error("internal error: more temporary files than the signal handler can remove");
}

void forget_temporary(const char* name) {
    for (temporary_slot& slot : temporary_slots) {
        if (slot.name == name) slot.name = nullptr;
    }
}

}  // namespace builder
