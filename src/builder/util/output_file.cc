// Unnamed or temporary output files, the signal handler that removes temporary names, and the commit.
#include "builder/util/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {

bool output_unnamed_first = true;

namespace {

constexpr int OUTPUT_CLEANUP_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr std::size_t OUTPUT_MAX_PENDING = 4;
constexpr int OUTPUT_NAME_ATTEMPTS = 100;

// The temporary names that exist right now, for the signal handler; each points into its output_file.
const char* volatile pending_names[OUTPUT_MAX_PENDING];
bool handlers_installed = false;

extern "C" void remove_pending_and_die(int signal_number) {
    for (const char* volatile& slot : pending_names) {
        const char* name = slot;
        if (name != nullptr) unlink(name);
    }
    // SA_RESETHAND has made the action the default again: the signal ends the process as it would have.
    raise(signal_number);
}

// Holds back the cleanup signals while the pending names or the files' names change.
class signal_hold {
  public:
    signal_hold() {
        sigset_t set;
        sigemptyset(&set);
        for (const int s : OUTPUT_CLEANUP_SIGNALS) sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &saved_);
    }
    ~signal_hold() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    signal_hold(const signal_hold&) = delete;
    signal_hold& operator=(const signal_hold&) = delete;

  private:
    sigset_t saved_;
};

// Signals that are ignored stay ignored (nohup, background jobs).
void install_cleanup_handlers() {
    if (handlers_installed) return;
    handlers_installed = true;
    for (const int s : OUTPUT_CLEANUP_SIGNALS) {
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = remove_pending_and_die;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (const int other : OUTPUT_CLEANUP_SIGNALS) sigaddset(&action.sa_mask, other);
        sigaction(s, &action, nullptr);
    }
}

void set_pending(const char* old_name, const char* new_name) {
    for (const char* volatile& slot : pending_names) {
        if (slot == old_name) {
            slot = new_name;
            return;
        }
    }
}

// ".NAME." beside the final path, so that the rename stays within one file system.
std::string temp_prefix(const std::string& path) {
    const std::filesystem::path final_path(path);
    return (final_path.parent_path() / ("." + final_path.filename().string() + ".")).string();
}

std::string directory_of(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

// Six characters for a temporary name; linkat reports a name already taken, and another is tried.
std::string name_suffix() {
    static constexpr char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::uint64_t counter = 0;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t x = (static_cast<std::uint64_t>(getpid()) << 32) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                      (++counter * 0x9e3779b97f4a7c15ull);
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += LETTERS[x % 62];
        x /= 62;
    }
    return suffix;
}

// Gives an unnamed file a temporary name: through /proc/self/fd where /proc is mounted, else with
// AT_EMPTY_PATH (which needs CAP_DAC_READ_SEARCH).
std::string link_unnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < OUTPUT_NAME_ATTEMPTS; ++attempt) {
        const std::string name = temp_prefix(path) + name_suffix();
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        if (errno != EEXIST && linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return name;
        if (errno != EEXIST) fail_errno("cannot create " + shown(path));
    }
    throw error("cannot create " + shown(path) + ": no free temporary name beside it");
}

}  // namespace

output_file::output_file(const std::string& path) : path_(path) {
    int fd = -1;
    if (output_unnamed_first) fd = open(directory_of(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // The file system cannot hold an unnamed file (or the directory is missing: mkstemp says which).
        temp_path_ = temp_prefix(path) + "XXXXXX";
        const signal_hold hold;
        install_cleanup_handlers();
        fd = mkostemp(temp_path_.data(), O_CLOEXEC);
        if (fd < 0) {
            temp_path_.clear();
            fail_errno("cannot create a temporary file beside " + shown(path));
        }
        set_pending(nullptr, temp_path_.c_str());
    }
    stream_ = fdopen(fd, "w+b");
    if (stream_ == nullptr) {
        close(fd);
        fail_errno("cannot write " + shown(path));  // the destructor removes the temporary name
    }
}

output_file::~output_file() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (committed_ || temp_path_.empty()) return;
    const signal_hold hold;
    unlink(temp_path_.c_str());
    set_pending(temp_path_.c_str(), nullptr);
}

void output_file::write(const void* bytes, std::size_t size) {
    if (size != 0 && std::fwrite(bytes, 1, size, stream_) != size) fail_errno("cannot write " + shown(path_));
}

void output_file::seek(std::uint64_t offset) {
    if (fseeko(stream_, static_cast<off_t>(offset), SEEK_SET) != 0)
        fail_errno("cannot seek in the file for " + shown(path_));
}

void output_file::finish(unsigned mode) {
    if (std::fflush(stream_) != 0) fail_errno("cannot write " + shown(path_));
    if (fchmod(fileno(stream_), static_cast<mode_t>(mode)) != 0)
        fail_errno("cannot set the mode of " + shown(path_));
}

std::unique_ptr<std::FILE, int (*)(std::FILE*)> output_file::read_back() const {
    // A duplicate shares the file position; nothing is written any more, so moving it harms nothing.
    const int fd = dup(fileno(stream_));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(fd < 0 ? nullptr : fdopen(fd, "rb"), &std::fclose);
    if (!in) {
        if (fd >= 0) close(fd);
        fail_errno("cannot reread " + shown(path_));
    }
    if (fseeko(in.get(), 0, SEEK_SET) != 0) fail_errno("cannot reread " + shown(path_));
    return in;
}

void commit_outputs(output_file& first, output_file* second) {
    output_file* const files[] = {&first, second};
    const signal_hold hold;
    for (output_file* f : files) {
        if (f == nullptr) continue;
        if (f->is_unnamed()) f->temp_path_ = link_unnamed(fileno(f->stream_), f->path_);
        const int closed = std::fclose(f->stream_);
        f->stream_ = nullptr;
        if (closed != 0) fail_errno("cannot write " + shown(f->path_));
    }
    for (output_file* f : files) {
        if (f == nullptr) continue;
        if (std::rename(f->temp_path_.c_str(), f->path_.c_str()) != 0) {
            const int saved = errno;
            // A checksum file left from an earlier build would now describe another OUTPUT.
            if (f != &first && first.committed_) unlink(f->path_.c_str());
            errno = saved;
            fail_errno("cannot create " + shown(f->path_));
        }
        f->committed_ = true;
        set_pending(f->temp_path_.c_str(), nullptr);
    }
}

}  // namespace builder
