#include "install/file_guard.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace install {
namespace {

constexpr std::array<int, 3> GUARDED_SIGNALS = {SIGINT, SIGTERM, SIGHUP};

// What the handler reads. The path is written only while the guarded signals are held on the one thread
// that takes them (the worker never does), so the handler never sees the flag set over a stale path. The
// kernel refuses a longer path than PATH_MAX, so every file that could be opened fits.
char in_progress_path[PATH_MAX];
volatile sig_atomic_t file_in_progress = 0;

bool guard_started = false;
std::array<bool, GUARDED_SIGNALS.size()> handler_installed{};
std::array<struct sigaction, GUARDED_SIGNALS.size()> previous_actions{};

// Async-signal-safe: unlink, signal and raise only. The signal is held while the handler runs, so the
// one raised here ends the process, by the default action, as soon as the handler returns.
void remove_file_in_progress(int signal_number) {
    if (file_in_progress != 0) (void)unlink(in_progress_path);
    (void)signal(signal_number, SIG_DFL);
    (void)raise(signal_number);
}

void guarded_set(sigset_t* set) {
    sigemptyset(set);
    for (const int signal_number : GUARDED_SIGNALS) sigaddset(set, signal_number);
}

}  // namespace

void start_file_guard() {
    file_in_progress = 0;
    struct sigaction action {};
    action.sa_handler = remove_file_in_progress;
    guarded_set(&action.sa_mask);  // one handler at a time: a second signal waits, and then kills
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < GUARDED_SIGNALS.size(); ++i) {
        handler_installed[i] = false;
        if (sigaction(GUARDED_SIGNALS[i], nullptr, &previous_actions[i]) != 0) continue;
        const bool ignored =
            (previous_actions[i].sa_flags & SA_SIGINFO) == 0 && previous_actions[i].sa_handler == SIG_IGN;
        if (!ignored) handler_installed[i] = sigaction(GUARDED_SIGNALS[i], &action, nullptr) == 0;
    }
    guard_started = true;
}

void end_file_guard() {
    if (!guard_started) return;
    file_in_progress = 0;
    for (std::size_t i = 0; i < GUARDED_SIGNALS.size(); ++i) {
        if (handler_installed[i]) (void)sigaction(GUARDED_SIGNALS[i], &previous_actions[i], nullptr);
        handler_installed[i] = false;
    }
    guard_started = false;
}

void hold_guarded_signals(sigset_t* saved) {
    sigset_t guarded;
    guarded_set(&guarded);
    (void)pthread_sigmask(SIG_BLOCK, &guarded, saved);
}

void release_guarded_signals(const sigset_t* saved) {
    (void)pthread_sigmask(SIG_SETMASK, saved, nullptr);
}

int open_file_in_progress(const char* path) {
    sigset_t saved;
    hold_guarded_signals(&saved);
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const int open_errno = errno;
    const std::size_t length = std::strlen(path);
    if (file >= 0 && length < sizeof in_progress_path) {
        std::memcpy(in_progress_path, path, length + 1);
        file_in_progress = 1;
    }
    release_guarded_signals(&saved);
    errno = open_errno;
    return file;
}

bool close_file_in_progress(int file, bool written) {
    int failure_errno = errno;
    const bool path_known = file_in_progress != 0;
    if (written) {
        // Whole from here: a signal before the close leaves it as it is, and the process's end closes it.
        // No hold is needed, which spares two system calls per file.
        file_in_progress = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        written = close(file) == 0;
        failure_errno = errno;
        if (!written && path_known) (void)unlink(in_progress_path);
    } else {
        // The handler may remove it as well in the meantime; a second unlink changes nothing.
        (void)close(file);
        if (path_known) (void)unlink(in_progress_path);
        file_in_progress = 0;
    }
    errno = failure_errno;
    return written;
}

}  // namespace install
