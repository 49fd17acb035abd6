#include "install/file_guard.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace install {
namespace {

constexpr std::array<int, 8> GUARDED_SIGNALS = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,
                                                SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2};

// ".installing.<pid>.<n>": the pid tells the sweep whether the installer that made it still runs.
constexpr std::string_view TEMPORARY_PREFIX = ".installing.";
constexpr int TEMPORARY_ATTEMPTS = 64;  // names taken by others before the creation gives up

// What the handler reads. Both are written only while the guarded signals are held on the one thread
// that takes them (the worker never does), so the handler never sees the flag set over a stale name.
char in_progress_name[64];
int in_progress_directory = -1;
volatile sig_atomic_t file_in_progress = 0;
unsigned temporaries_made = 0;
long installer_pid = 0;  // taken once: a call per file costs a system call

bool guard_started = false;
std::array<bool, GUARDED_SIGNALS.size()> handler_installed{};
std::array<struct sigaction, GUARDED_SIGNALS.size()> previous_actions{};
struct sigaction previous_file_size_action {};
bool file_size_action_saved = false;

// Async-signal-safe: unlinkat, signal and raise only. The signal is held while the handler runs, so the
// one raised here ends the process, by the default action, as soon as the handler returns.
void remove_file_in_progress(int signal_number) {
    if (file_in_progress != 0) (void)unlinkat(in_progress_directory, in_progress_name, 0);
    (void)signal(signal_number, SIG_DFL);
    (void)raise(signal_number);
}

void guarded_set(sigset_t* set) {
    sigemptyset(set);
    for (const int signal_number : GUARDED_SIGNALS) sigaddset(set, signal_number);
}

// Forgets the file in progress, removing it unless it was placed; the signals are held meanwhile.
void drop_file_in_progress(bool remove) {
    sigset_t saved;
    hold_guarded_signals(&saved);
    if (file_in_progress != 0 && remove) (void)unlinkat(in_progress_directory, in_progress_name, 0);
    file_in_progress = 0;
    release_guarded_signals(&saved);
}

// The pid of a temporary's name, or 0 for any other name.
pid_t temporary_pid(std::string_view name) {
    if (!name.starts_with(TEMPORARY_PREFIX)) return 0;
    name.remove_prefix(TEMPORARY_PREFIX.size());
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return 0;
    pid_t pid = 0;
    unsigned number = 0;
    const auto [pid_end, pid_error] = std::from_chars(name.data(), name.data() + dot, pid);
    const auto [end, error] = std::from_chars(name.data() + dot + 1, name.data() + name.size(), number);
    const bool whole = pid_error == std::errc{} && pid_end == name.data() + dot && error == std::errc{} &&
                       end == name.data() + name.size();
    return whole && pid > 0 ? pid : 0;
}

// Only a process of that pid can be at work on it; this one has no temporary in a directory it sweeps.
bool maker_gone(pid_t pid) {
    return pid == getpid() || (kill(pid, 0) != 0 && errno == ESRCH);
}

// Whatever way the process ends by exit (a failure reported by the payload stream's own reader
// included), the file in progress goes with it.
void remove_at_exit() {
    drop_file_in_progress(true);
}

}  // namespace

void start_file_guard() {
    static const bool exit_hook = std::atexit(remove_at_exit) == 0;
    installer_pid = static_cast<long>(getpid());
    (void)exit_hook;
    file_in_progress = 0;
    struct sigaction action {};
    action.sa_handler = remove_file_in_progress;
    guarded_set(&action.sa_mask);  // one handler at a time: a second signal waits, and then kills
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < GUARDED_SIGNALS.size(); ++i) {
        handler_installed[i] = false;
        if (sigaction(GUARDED_SIGNALS[i], nullptr, &previous_actions[i]) != 0) continue;
        // Only over the default action, which ends the process: an ignored signal stays ignored (SIGHUP
        // under nohup), and a handler of a program that runs the installation in-process is its own.
        const bool ends_by_default =
            (previous_actions[i].sa_flags & SA_SIGINFO) == 0 && previous_actions[i].sa_handler == SIG_DFL;
        if (ends_by_default) handler_installed[i] = sigaction(GUARDED_SIGNALS[i], &action, nullptr) == 0;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    file_size_action_saved = sigaction(SIGXFSZ, &ignore, &previous_file_size_action) == 0;
    guard_started = true;
}

void end_file_guard() {
    if (!guard_started) return;
    drop_file_in_progress(true);
    for (std::size_t i = 0; i < GUARDED_SIGNALS.size(); ++i) {
        if (handler_installed[i]) (void)sigaction(GUARDED_SIGNALS[i], &previous_actions[i], nullptr);
        handler_installed[i] = false;
    }
    if (file_size_action_saved) (void)sigaction(SIGXFSZ, &previous_file_size_action, nullptr);
    file_size_action_saved = false;
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

namespace {

// Makes the entry in progress in `directory` by `create(name)` under fresh temporary names until one is
// free; the signals are held until the guard knows it. create's result: -1 with errno, or a descriptor
// (or 0 for an entry with none).
template <typename Create>
int create_in_progress(int directory, Create create) {
    sigset_t saved;
    hold_guarded_signals(&saved);
    int made = -1;
    for (int attempt = 0; attempt < TEMPORARY_ATTEMPTS; ++attempt) {
        (void)std::snprintf(in_progress_name, sizeof in_progress_name, "%.*s%ld.%u",
                            static_cast<int>(TEMPORARY_PREFIX.size()), TEMPORARY_PREFIX.data(), installer_pid,
                            temporaries_made++);
        made = create(in_progress_name);
        if (made >= 0 || errno != EEXIST) break;
    }
    const int create_errno = errno;
    if (made >= 0) {
        in_progress_directory = directory;
        file_in_progress = 1;
    }
    release_guarded_signals(&saved);
    errno = create_errno;
    return made;
}

}  // namespace

int open_file_in_progress(int directory) {
    return create_in_progress(directory, [directory](const char* name) {
        return openat(directory, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    });
}

bool make_link_in_progress(int directory, const char* target, std::int32_t mtime) {
    if (create_in_progress(directory, [directory, target](const char* name) {
            return symlinkat(target, directory, name) == 0 ? 0 : -1;
        }) < 0)
        return false;
    if (mtime != 0) {
        const timespec times[2] = {{.tv_sec = mtime, .tv_nsec = 0}, {.tv_sec = mtime, .tv_nsec = 0}};
        (void)utimensat(directory, in_progress_name, times, AT_SYMLINK_NOFOLLOW);
    }
    return true;
}

bool close_file_in_progress(int file, bool written) {
    int failure_errno = errno;
    if (written) {
        written = close(file) == 0;
        failure_errno = errno;
    } else {
        (void)close(file);
    }
    if (!written) drop_file_in_progress(true);
    errno = failure_errno;
    return written;
}

bool place_file_in_progress(const char* name) {
    // A signal before the rename removes the temporary; after it, it finds the name gone.
    if (renameat(in_progress_directory, in_progress_name, in_progress_directory, name) == 0) {
        file_in_progress = 0;  // no hold needed: a handler now would only find the name gone
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return true;
    }
    const int rename_errno = errno;
    drop_file_in_progress(true);
    errno = rename_errno;
    return false;
}

void remove_stale_temporaries(int directory) {
    const int listing = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* stream = fdopendir(listing);
    if (stream == nullptr) {
        (void)close(listing);
        return;
    }
    while (const dirent* entry = readdir(stream)) {
        const pid_t pid = temporary_pid(entry->d_name);
        if (pid == 0 || !maker_gone(pid)) continue;
        struct stat info {};
        if (fstatat(directory, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            (void)unlinkat(directory, entry->d_name, 0);
    }
    (void)closedir(stream);
}

}  // namespace install
