#include "install/directory_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "target/path_kind.h"

namespace install {
namespace {

bool is_dot_or_dot_dot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Depth first, one directory stream open per level. Every level beneath `dir` is entered through the
// descriptor of the one above it, never through a link: a directory swapped for a link during the walk
// leads nowhere. `path_length` is the length the child paths would have: one the system would refuse
// (PATH_MAX or more) is passed over, as it was when the walk went by paths.
void remove_beneath(int dir_fd, std::size_t path_length, const char* name) {
    DIR* stream = fdopendir(dir_fd);
    if (stream == nullptr) {
        (void)close(dir_fd);
        return;
    }
    while (const dirent* entry = readdir(stream)) {
        if (is_dot_or_dot_dot(entry->d_name)) continue;
        const std::size_t child_length = path_length + 1 + std::strlen(entry->d_name);
        if (child_length >= PATH_MAX) continue;
        if (std::strcmp(entry->d_name, name) == 0) {
            // A non-empty directory refuses; the result does not matter either way.
            (void)remove_at(dirfd(stream), entry->d_name);
        } else if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) {
            const int child =
                openat(dirfd(stream), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) remove_beneath(child, child_length, name);
        }
    }
    closedir(stream);
}

// The reference order: a directory (or a link to one) is left as it is, anything else is made.
bool make_if_not_directory(const char* path) {
    return target::path_kind(path) == target::path_type::directory || mkdir(path, 0755) == 0;
}

// The same outcome for a prefix believed absent, in one call where the belief holds: mkdir first, and the
// test only when it fails. An existing directory makes mkdir fail with EEXIST before any other check
// (permission, read-only file system), so it is still accepted; anything else fails with mkdir's errno.
bool make_unless_directory(const char* path) {
    if (mkdir(path, 0755) == 0) return true;
    const int mkdir_errno = errno;
    if (target::path_kind(path) == target::path_type::directory) return true;
    errno = mkdir_errno;
    return false;
}

}  // namespace

int make_dir_path(char* path) {
    return make_dir_path_beyond(path, 0);
}

int make_dir_path_beyond(char* path, std::size_t known) {
    if (path == nullptr || *path == '\0') return 1;
    // The root itself is never tested or created.
    char* cursor = *path == '/' ? path + 1 : path;
    for (;; ++cursor) {
        const char separator = *cursor;
        if (separator != '/' && separator != '\0') continue;
        if (static_cast<std::size_t>(cursor - path) > known) {
            *cursor = '\0';
            const bool failed = known != 0 ? !make_unless_directory(path) : !make_if_not_directory(path);
            *cursor = separator;
            if (failed) return 0;
        }
        if (separator == '\0' || cursor[1] == '\0') return 1;
    }
}

bool remove_at(int dir_fd, const char* name) {
    return unlinkat(dir_fd, name, 0) == 0 || (errno == EISDIR && unlinkat(dir_fd, name, AT_REMOVEDIR) == 0);
}

void remove_named_entries(const char* dir, const char* name) {
    if (dir == nullptr || name == nullptr || target::path_kind(dir) != target::path_type::directory) return;
    const int dir_fd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) remove_beneath(dir_fd, std::strlen(dir), name);
}

}  // namespace install
