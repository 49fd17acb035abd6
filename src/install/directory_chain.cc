#include "install/directory_chain.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "install/allocation_failure.h"

namespace install {
namespace {

// How the installation first met a directory of a path; a link is followed only when it was met as one.
enum class met_as : std::uint8_t { directory, link, made };

struct met_directory {
    met_as how;
    bool met_for_files = false;
};

struct held_directory {
    std::string prefix;  // the path up to this component, as make_dir_path tests it
    int fd;
    met_directory* met;  // null for the root
    bool via_link = false;
};

// chain[0] is the root the paths start from: "/" or the working directory.
std::vector<held_directory> chain;
// Directories the chain left, kept open for a return (the removal of an earlier entry's file goes to its
// directory and back), the most recently left first.
constexpr std::size_t PARKED_LIMIT = 128;
std::list<held_directory> parked;
std::unordered_map<std::string_view, std::list<held_directory>::iterator> parked_by_prefix;
std::unordered_map<std::string, met_directory> met;  // references stay valid as it grows
timespec installation_start{};                       // by the file systems' own coarse clock
bool nothing_predates = false;                       // the target did not exist as the installation began
std::size_t target_length = 0;  // the target's own path: its links are followed as the user named them

// Which links a level may be entered through.
enum class link_rule : std::uint8_t {
    named,     // the target's own path: any link but one in place of a directory met in its own right
    predated,  // beneath the target: only a link that stood there before the installation began
    never,     // beneath the target, for a removal
};

// O_PATH: a directory is entered, searched and written in without being read, so one without read
// permission serves as it does for a path.
constexpr int DIRECTORY_FLAGS = O_PATH | O_DIRECTORY | O_CLOEXEC;

void park(held_directory&& level) {
    parked.push_front(std::move(level));
    parked_by_prefix[parked.front().prefix] = parked.begin();
    if (parked.size() > PARKED_LIMIT) {
        (void)close(parked.back().fd);
        parked_by_prefix.erase(parked.back().prefix);
        parked.pop_back();
    }
}

// Leaves the levels beyond `depth`: parked when `keep` (but the root), else closed.
void close_from(std::size_t depth, bool keep = true) {
    for (std::size_t i = chain.size(); i > depth; --i) {
        if (keep && chain[i - 1].met != nullptr) {
            park(std::move(chain[i - 1]));
        } else {
            (void)close(chain[i - 1].fd);
        }
    }
    chain.resize(depth);
}

void close_parked() {
    for (const held_directory& level : parked) (void)close(level.fd);
    parked_by_prefix.clear();
    parked.clear();
}

// Takes the parked level of `prefix` back into the chain, unless it was entered through a link that may
// not be followed now.
bool unpark(std::string_view prefix, link_rule links) {
    const auto found = parked_by_prefix.find(prefix);
    if (found == parked_by_prefix.end() || (found->second->via_link && links == link_rule::never))
        return false;
    const auto level = found->second;
    parked_by_prefix.erase(found);
    chain.push_back(std::move(*level));
    parked.erase(level);
    return true;
}

met_directory* remember(std::string_view prefix, met_as how) {
    const auto [it, added] = met.try_emplace(std::string(prefix), met_directory{how});
    if (how == met_as::made) it->second.how = how;
    return &it->second;
}

bool later(const timespec& a, const timespec& b) {
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

// A link whose inode changed since the installation began (made, or made over) was put there during it.
bool link_predates_installation(int parent, const std::string& name) {
    if (nothing_predates) return false;
    struct stat info {};
    if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(info.st_mode))
        return false;
    return !later(info.st_ctim, installation_start);
}

// The prefix's last component `name` beneath `parent`, opened, made when `make` and missing; a link is
// followed as `links` says.
bool open_level(int parent, std::string_view prefix, const std::string& name, bool make, link_rule links) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = openat(parent, name.c_str(), DIRECTORY_FLAGS | O_NOFOLLOW);
        if (fd >= 0) {
            chain.push_back({std::string(prefix), fd, remember(prefix, met_as::directory)});
            return true;
        }
        if (errno == ENOENT && make) {
            if (mkdirat(parent, name.c_str(), 0755) == 0) {
                met_directory* made = remember(prefix, met_as::made);
                fd = openat(parent, name.c_str(), DIRECTORY_FLAGS | O_NOFOLLOW);
                if (fd < 0) {
                    errno = EEXIST;  // replaced the moment it was made
                    return false;
                }
                chain.push_back({std::string(prefix), fd, made});
                return true;
            }
            if (errno != EEXIST) return false;
            continue;  // made by another process in between: look again
        }
        if (errno != ENOTDIR) return false;
        // A link, or something that is no directory. A link is followed only if it stood there before the
        // installation began and was never met as a directory in its own right since.
        const auto found = met.find(std::string(prefix));
        if (links != link_rule::never && (found == met.end() || found->second.how == met_as::link) &&
            (links == link_rule::named || link_predates_installation(parent, name))) {
            fd = openat(parent, name.c_str(), DIRECTORY_FLAGS);
            if (fd >= 0) {
                chain.push_back({std::string(prefix), fd, remember(prefix, met_as::link), true});
                return true;
            }
        }
        break;
    }
    // As mkdir finds a file, a dangling link or a refused one in the way.
    errno = make ? EEXIST : ENOTDIR;
    return false;
}

bool open_root(bool absolute) {
    const char* root = absolute ? "/" : ".";
    if (!chain.empty() && chain[0].prefix == root) return true;
    close_from(0);
    const int fd = open(root, DIRECTORY_FLAGS);
    if (fd < 0) return false;
    chain.push_back({root, fd, nullptr});
    return true;
}

// The file systems stamp inodes by the coarse clock, or finer: a link stamped no later than the moment
// the installation begins was made before it, and the installation goes on only once the coarse clock has
// passed that moment, so that whatever is stamped from then on is stamped later.
void take_installation_start() {
    (void)clock_gettime(CLOCK_REALTIME, &installation_start);
    for (timespec coarse{};;) {
        (void)clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
        if (later(coarse, installation_start)) return;
        const timespec pause{.tv_sec = 0, .tv_nsec = 500'000};
        (void)nanosleep(&pause, nullptr);
    }
}

int enter(std::string_view path, bool make, bool links_beneath_target) {
    // Used without an installation (the removal on its own): the installation begins now.
    if (installation_start.tv_sec == 0) take_installation_start();
    const bool absolute = path.starts_with('/');
    if (!open_root(absolute)) return -1;
    std::size_t depth = 1;
    for (std::size_t start = absolute ? 1 : 0; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            const std::string_view prefix = path.substr(0, end);
            const link_rule links = prefix.size() <= target_length ? link_rule::named
                                    : links_beneath_target         ? link_rule::predated
                                                                   : link_rule::never;
            if (depth < chain.size() && chain[depth].prefix == prefix &&
                (links != link_rule::never || !chain[depth].via_link)) {
                ++depth;
            } else {
                close_from(depth);
                // The system resolves no longer path; what stood in its way then must stand in it now.
                if (prefix.size() >= PATH_MAX) {
                    errno = ENAMETOOLONG;
                    return -1;
                }
                if (!unpark(prefix, links) &&
                    !open_level(chain.back().fd, prefix, std::string(path.substr(start, end - start)), make,
                                links))
                    return -1;
                ++depth;
            }
        }
        start = end + 1;
    }
    close_from(depth);
    return chain.back().fd;
}

}  // namespace

void begin_directories(const char* target) {
    leave_directories();
    target_length = std::strlen(target);
    // Into a target that does not exist yet, every link beneath it is made during the installation: none is
    // followed, and the clock need not be waited for.
    struct stat info {};
    nothing_predates = lstat(target, &info) != 0 && errno == ENOENT;
    if (!nothing_predates) take_installation_start();
}

int enter_directory_path(const char* path, bool make, bool links_beneath_target) {
    return recovering_from_allocation_failure(
        [&] { return enter(path != nullptr ? path : "", make, links_beneath_target); },
        [] {
            errno = ENOMEM;
            return -1;
        });
}

bool entered_directory_is_new() {
    const met_directory* last = chain.empty() ? nullptr : chain.back().met;
    return last != nullptr && last->how == met_as::made;
}

bool first_meeting_with_entered_directory() {
    met_directory* last = chain.empty() ? nullptr : chain.back().met;
    if (last == nullptr || last->met_for_files) return false;
    last->met_for_files = true;
    return true;
}

void release_held_directories() {
    close_from(std::min<std::size_t>(chain.size(), 1), false);
    close_parked();
}

void leave_directories() {
    close_from(0, false);
    close_parked();
    met.clear();
}

}  // namespace install
