#include "install/directory_ops.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "install/concat_strings.h"
#include "target/path_kind.h"

namespace install {
namespace {

bool is_dot_or_dot_dot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// A directory in its own right, not a link to one.
bool is_real_directory(const char* path) {
    struct stat info {};
    return lstat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Depth first, one directory stream open per level and one child path per level at a time.
void remove_beneath(const char* dir, const char* name) {
    DIR* stream = opendir(dir);
    if (stream == nullptr) return;
    while (const dirent* entry = readdir(stream)) {
        if (is_dot_or_dot_dot(entry->d_name)) continue;
        char* child = concat_strings({dir, "/", entry->d_name});
        if (child == nullptr) continue;
        if (std::strcmp(entry->d_name, name) == 0) {
            // A non-empty directory refuses; the result does not matter either way.
            (void)std::remove(child);
        } else if (is_real_directory(child)) {
            remove_beneath(child, name);
        }
        std::free(child);
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

void remove_named_entries(const char* dir, const char* name) {
    if (dir == nullptr || name == nullptr || target::path_kind(dir) != target::path_type::directory) return;
    remove_beneath(dir, name);
}

}  // namespace install
