// Walks the source directory through directory descriptors, so that deep trees work however long their
// absolute paths grow.
#include "builder/source_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>

#include "builder/builder_error.h"
#include "payload/file_record.h"

namespace builder {
namespace {

constexpr std::uint64_t TREE_MAX_FILE_SIZE = std::numeric_limits<std::uint32_t>::max();

struct dir_closer {
    void operator()(DIR* d) const { closedir(d); }
};
using dir_ptr = std::unique_ptr<DIR, dir_closer>;

const char* special_kind(mode_t mode) {
    if (S_ISFIFO(mode)) return "fifo";
    if (S_ISSOCK(mode)) return "socket";
    if (S_ISCHR(mode)) return "character device";
    if (S_ISBLK(mode)) return "block device";
    return "special file";
}

struct scan_state {
    const scan_options& options;
    source_tree& tree;
};

bool is_excluded(const scan_options& options, const std::string& name) {
    for (const auto& pattern : options.excludes) {
        if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) return true;
    }
    return false;
}

// Opening is the only test of readability that holds for root as well as for anyone else.
void check_readable(int dir_fd, const char* leaf, const std::string& name) {
    const int fd = openat(dir_fd, leaf, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fail_errno("cannot read " + in_quotes(name));
    close(fd);
}

source_entry checked_entry(const std::string& name, const struct stat& st) {
    if (name.size() > payload::RECORD_MAX_NAME_LENGTH) {
        throw error("name of " + in_quotes(name.substr(0, 60) + "...") + " is " +
                    std::to_string(name.size()) + " bytes long; at most " +
                    std::to_string(payload::RECORD_MAX_NAME_LENGTH) + " fit a record");
    }
    if (name.find('\\') != std::string::npos) {
        throw error(in_quotes(name) +
                    ": names must not contain '\\' (the installer would take it for a separator)");
    }
    if (static_cast<std::uint64_t>(st.st_size) > TREE_MAX_FILE_SIZE) {
        throw error(in_quotes(name) + " is " + std::to_string(st.st_size) +
                    " bytes long; files must be below 4 GiB");
    }
    const std::int64_t mtime = st.st_mtim.tv_sec;
    if (mtime < std::numeric_limits<std::int32_t>::min() ||
        mtime > std::numeric_limits<std::int32_t>::max()) {
        throw error(in_quotes(name) + ": modification time " + std::to_string(mtime) +
                    " does not fit a signed 32-bit count of seconds (1901-12-13 to 2038-01-19)");
    }
    // The installer takes mtime 0 as "set neither time nor mode"; one second later keeps both.
    return source_entry{name, static_cast<std::uint32_t>(st.st_size),
                        mtime == 0 ? 1 : static_cast<std::int32_t>(mtime),
                        static_cast<std::uint16_t>(st.st_mode & 0777)};
}

void scan_directory(int parent_fd, const char* dir_name, const std::string& prefix, scan_state& scan) {
    source_tree& tree = scan.tree;
    const std::string shown = prefix.empty() ? std::string(dir_name) : prefix;
    const int fd = openat(parent_fd, dir_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail_errno("cannot open directory " + in_quotes(shown));
    const dir_ptr dir(fdopendir(fd));
    if (!dir) {
        close(fd);
        fail_errno("cannot read directory " + in_quotes(shown));
    }
    bool empty = true;
    for (;;) {
        errno = 0;
        const dirent* item = readdir(dir.get());
        if (item == nullptr) {
            if (errno != 0) fail_errno("cannot read directory " + in_quotes(shown));
            break;
        }
        const std::string_view leaf = item->d_name;
        if (leaf == "." || leaf == "..") continue;
        empty = false;
        const std::string name = prefix + std::string(leaf);
        if (is_excluded(scan.options, name)) continue;

        struct stat st {};
        if (fstatat(dirfd(dir.get()), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            fail_errno("cannot examine " + in_quotes(name));
        }
        if (S_ISDIR(st.st_mode)) {
            scan_directory(dirfd(dir.get()), item->d_name, name + "/", scan);
        } else if (S_ISREG(st.st_mode)) {
            tree.entries.push_back(checked_entry(name, st));
            check_readable(dirfd(dir.get()), item->d_name, name);
        } else if (S_ISLNK(st.st_mode)) {
            if (fstatat(dirfd(dir.get()), item->d_name, &st, 0) != 0) {
                if (errno == ENOENT) throw error(in_quotes(name) + " is a dangling symbolic link");
                fail_errno("cannot follow symbolic link " + in_quotes(name));
            }
            if (S_ISREG(st.st_mode)) {
                tree.entries.push_back(checked_entry(name, st));
                check_readable(dirfd(dir.get()), item->d_name, name);
            } else if (S_ISDIR(st.st_mode)) {
                tree.warnings.push_back("skipping " + in_quotes(name) +
                                        ": symbolic link to a directory (not followed)");
            } else {
                tree.warnings.push_back("skipping " + in_quotes(name) + ": symbolic link to a " +
                                        special_kind(st.st_mode));
            }
        } else {
            tree.warnings.push_back("skipping " + in_quotes(name) + ": " + special_kind(st.st_mode));
        }
    }
    // The installer makes a directory only on the way to a file.
    if (empty && !prefix.empty()) {
        tree.warnings.push_back("skipping empty directory " + in_quotes(prefix.substr(0, prefix.size() - 1)) +
                                ": an installer cannot hold a directory without files");
    }
}

}  // namespace

source_tree scan_source_tree(const std::string& source_dir, const scan_options& options) {
    source_tree tree;
    scan_state scan{options, tree};
    struct stat st {};
    if (stat(source_dir.c_str(), &st) != 0)
        fail_errno("cannot open source directory " + in_quotes(source_dir));
    if (!S_ISDIR(st.st_mode)) throw error("source " + in_quotes(source_dir) + " is not a directory");
    scan_directory(AT_FDCWD, source_dir.c_str(), "", scan);
    std::sort(tree.warnings.begin(), tree.warnings.end());
    // std::string compares bytes as unsigned char: the byte order of the whole relative names.
    std::sort(tree.entries.begin(), tree.entries.end(),
              [](const source_entry& a, const source_entry& b) { return a.name < b.name; });

    std::uint64_t total = 0;
    for (const auto& entry : tree.entries) total += entry.size;
    if (total > TREE_MAX_FILE_SIZE) {
        throw error("the files add up to " + std::to_string(total) + " bytes; the payload counts at most " +
                    std::to_string(TREE_MAX_FILE_SIZE));
    }
    return tree;
}

}  // namespace builder
