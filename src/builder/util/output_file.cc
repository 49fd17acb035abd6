// Unnamed or temporary output files and their commit.
#include "builder/util/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"
#include "builder/util/temporary_names.h"

namespace builder {

bool output_unnamed_first = true;

namespace {

constexpr int OUTPUT_NAME_ATTEMPTS = 100;
// How long a build waits for another process's lock on OUTPUT's directory before it fails.
constexpr int OUTPUT_LOCK_WAIT_SECONDS = 30;

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
    for (int attempt = 0; attempt < OUTPUT_NAME_ATTEMPTS; ++attempt) {
        const std::string name = temp_prefix(path) + name_suffix();
        if (link_unnamed_as(fd, AT_FDCWD, name) == 0) return name;
        if (errno != EEXIST && linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return name;
        if (errno != EEXIST) fail_errno("cannot create " + shown(path));
    }
    throw error("cannot create " + shown(path) + ": no free temporary name beside it");
}

}  // namespace

int link_unnamed_as(int fd, int dir, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW);
}

output_file::output_file(const std::string& path) : path_(path) {
    int fd = -1;
    if (output_unnamed_first) fd = open(directory_of(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // The file system cannot hold an unnamed file (or the directory is missing: mkstemp says which).
        temp_path_ = temp_prefix(path) + "XXXXXX";
        const signal_hold hold;
        fd = mkostemp(temp_path_.data(), O_CLOEXEC);
        if (fd < 0) {
            temp_path_.clear();
            fail_errno("cannot create a temporary file beside " + shown(path));
        }
        remember_temporary(AT_FDCWD, temp_path_.c_str());
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
    forget_temporary(temp_path_.c_str());
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

namespace {

// OUTPUT_LOCK_WAIT_SECONDS, or what MKINSTALLER_LOCK_WAIT gives (0 to 3600 seconds).
int lock_wait_seconds() {
    const char* given = std::getenv("MKINSTALLER_LOCK_WAIT");
    if (given == nullptr || *given == '\0') return OUTPUT_LOCK_WAIT_SECONDS;
    char* end = nullptr;
    const long seconds = std::strtol(given, &end, 10);
    if (*end != '\0' || seconds < 0 || seconds > 3600)
        throw error("MKINSTALLER_LOCK_WAIT " + shown(given) + " is not a number of seconds from 0 to 3600");
    return static_cast<int>(seconds);
}

// An exclusive flock on a directory, held while a build commits into it. Anyone who can read the
// directory can lock it (any user of /tmp), so the wait is bounded and says what it waits for.
class directory_lock {
  public:
    explicit directory_lock(const std::string& path)
        : dir_(open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (dir_.fd < 0) fail_errno("cannot open the directory of " + shown(path));
        constexpr long POLL_NANOSECONDS = 50'000'000;
        const int seconds = lock_wait_seconds();
        const int polls = seconds * 20;
        for (int poll = 0; flock(dir_.fd, LOCK_EX | LOCK_NB) != 0; ++poll) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) fail_errno("cannot lock the directory of " + shown(path));
            if (poll == polls) {
                throw error("another process has held the lock on " + shown(directory_of(path)) + " for " +
                            std::to_string(seconds) + " seconds; " + shown(path) + " was not written");
            }
            if (poll == 0) {
                warn(std::cerr, "waiting for another process's lock on " + shown(directory_of(path)) +
                                    " (at most " + std::to_string(seconds) + " seconds)");
            }
            const timespec pause{.tv_sec = 0, .tv_nsec = POLL_NANOSECONDS};
            (void)nanosleep(&pause, nullptr);
        }
    }

  private:
    fd_holder dir_;  // closing it releases the lock
};

// The earlier file at `path`, kept under a temporary name until the commit is done, so that a failure
// can put it back. A hard link keeps it in place meanwhile; a file system without hard links has it
// moved aside instead (under the lock, no other build sees the moment without it). Empty: nothing to
// keep (no file there, or a directory, which the rename refuses to replace anyway).
std::string keep_earlier(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return "";
    for (int attempt = 0; attempt < OUTPUT_NAME_ATTEMPTS; ++attempt) {
        std::string name = temp_prefix(path) + name_suffix();
        const bool kept =
            link(path.c_str(), name.c_str()) == 0 || (errno != EEXIST && access(name.c_str(), F_OK) != 0 &&
                                                      std::rename(path.c_str(), name.c_str()) == 0);
        if (kept) return name;
        if (errno != EEXIST)
            fail_errno("cannot keep the earlier " + shown(path) + " until the new one is complete");
    }
    throw error("cannot keep the earlier " + shown(path) + ": no free temporary name beside it");
}

}  // namespace

void commit_outputs(output_file& first, output_file* second) {
    output_file* const files[] = {&first, second};
    // Taken before signals are held: a build waiting for another one's commit can still be interrupted.
    const directory_lock lock(first.path_);
    const signal_hold hold;
    for (output_file* f : files) {
        if (f == nullptr) continue;
        if (f->is_unnamed()) {
            f->temp_path_ = link_unnamed(fileno(f->stream_), f->path_);
            remember_temporary(AT_FDCWD, f->temp_path_.c_str());
        }
        const int closed = std::fclose(f->stream_);
        f->stream_ = nullptr;
        if (closed != 0) fail_errno("cannot write " + shown(f->path_));
    }
    // One file is put in place by one rename; two need the earlier first file until both stand.
    std::string earlier;
    if (second != nullptr) {
        earlier = keep_earlier(first.path_);
        if (!earlier.empty()) remember_temporary(AT_FDCWD, earlier.c_str());
    }
    for (output_file* f : files) {
        if (f == nullptr) continue;
        if (std::rename(f->temp_path_.c_str(), f->path_.c_str()) != 0) {
            const int saved = errno;
            std::string unrestored;
            if (!earlier.empty()) {
                // Where OUTPUT was not replaced yet, both names are links of one file and the rename does
                // nothing: the unlink removes the spare one.
                if (std::rename(earlier.c_str(), first.path_.c_str()) == 0) {
                    unlink(earlier.c_str());
                } else {
                    unrestored = "; the earlier " + shown(first.path_) + " is kept as " + shown(earlier);
                }
                forget_temporary(earlier.c_str());
            } else if (first.committed_) {
                unlink(first.path_.c_str());
            }
            throw error("cannot create " + shown(f->path_) + ": " + std::strerror(saved) + unrestored);
        }
        f->committed_ = true;
        forget_temporary(f->temp_path_.c_str());
    }
    if (!earlier.empty()) {
        unlink(earlier.c_str());
        forget_temporary(earlier.c_str());
    }
}

}  // namespace builder
