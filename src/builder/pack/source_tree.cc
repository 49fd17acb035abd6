// Walks the source directory without recursion: a stack of the directories still to be listed, each opened
// by its relative name beneath the source directory's descriptor, one at a time. Deep trees therefore need
// neither stack nor descriptors per level, and memory stays linear in what is listed. No directory whose
// name is too long for a record is entered (nothing beneath it could be packed), which bounds the depth.
#include "builder/pack/source_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <limits>
#include <memory>

#include "builder/format/field_limits.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"
#include "builder/util/input_file.h"
#include "payload/file_record.h"
#include "payload/link_target.h"

namespace builder {
namespace {

struct dir_closer {
    void operator()(DIR* d) const { closedir(d); }
};
using dir_ptr = std::unique_ptr<DIR, dir_closer>;

struct scan_state {
    const scan_options& options;
    source_tree& tree;
    int root_fd = -1;
    std::string root_path;  // as given, to resolve links by
    std::string root_real;  // its real path, to tell whether a link resolves inside
    // Each kept link's name, and the relative name of what it resolves to ("" for the directory itself).
    std::vector<std::pair<std::string, std::string>> kept_links;
    std::vector<std::string> pending;  // directories still to be listed, by relative name
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
    if (fd < 0) fail_errno("cannot read " + shown(name));
    close(fd);
}

void check_name_length(const std::string& name) {
    if (name.size() > payload::RECORD_MAX_NAME_LENGTH) {
        throw error("name of " + shown(name.substr(0, 60) + "...") + " is " + std::to_string(name.size()) +
                    " bytes long; at most " + std::to_string(payload::RECORD_MAX_NAME_LENGTH) +
                    " fit a record");
    }
}

source_entry checked_entry(const std::string& name, const struct stat& st) {
    check_name_length(name);
    if (const char* fault = name_bytes_fault(name)) throw error(shown(name) + fault);
    if (static_cast<std::uint64_t>(st.st_size) > PAYLOAD_FIELD_MAX) {
        throw error(shown(name) + " is " + std::to_string(st.st_size) +
                    " bytes long; files must be below 4 GiB");
    }
    const std::int64_t mtime = st.st_mtim.tv_sec;
    if (mtime < std::numeric_limits<std::int32_t>::min() ||
        mtime > std::numeric_limits<std::int32_t>::max()) {
        throw error(shown(name) + ": modification time " + std::to_string(mtime) +
                    " does not fit a signed 32-bit count of seconds (1901-12-13 to 2038-01-19)");
    }
    // The installer takes mtime 0 as "set neither time nor mode"; one second later keeps both.
    return source_entry{name, static_cast<std::uint32_t>(st.st_size),
                        mtime == 0 ? 1 : static_cast<std::int32_t>(mtime),
                        static_cast<std::uint16_t>(st.st_mode & 07777)};
}

// The real path of what `path` resolves to, or empty when it resolves to nothing.
std::string real_path(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool lies_beneath(const std::string& path, std::string_view dir) {
    if (dir == "/") return true;
    return path.starts_with(dir) && (path.size() == dir.size() || path[dir.size()] == '/');
}

// What the text of a kept link must not be, in the order the installer's own check finds it; control
// characters as names may not hold them (C1 too). Empty when it may be kept.
std::string kept_link_fault(const std::string& text, const std::string& name) {
    const payload::link_fault fault = payload::link_target_fault(text, name);
    if (fault != payload::link_fault::too_long && has_control_byte(text))
        return "its text holds control characters";
    if (fault == payload::link_fault::none) return "";
    // Beside its source, the directory a link must not leave is the source directory.
    if (fault == payload::link_fault::leaves_target) return "it leaves the source directory";
    return "its text " + std::string(payload::link_fault_words(fault));
}

// What became of a link: kept as an entry, or to be copied; then, when it points outside, its text.
struct link_scan {
    bool kept = false;
    std::optional<std::string> outside{};
};

// A symbolic link met by the scan: refused when it resolves into the system's own state; kept as an entry
// of its own, or else left for the caller to pack what it points to.
link_scan scan_link(scan_state& scan, int dir_fd, const char* leaf, const std::string& name,
                    const struct stat& own) {
    char text[PATH_MAX + 1];
    const ssize_t length = readlinkat(dir_fd, leaf, text, sizeof text);
    if (length < 0) fail_errno("cannot read symbolic link " + shown(name));
    const std::string target(text, static_cast<std::size_t>(length));
    const std::string real = real_path(scan.root_path + "/" + name);
    const std::string named = shown(name) + " (pointing to " + shown(target) + ")";
    // A source tree may itself lie in /dev/shm: only what leads out of it into the system's state counts.
    const bool inside = !real.empty() && lies_beneath(real, scan.root_real);
    for (const std::string_view system : {"/proc", "/sys", "/dev"}) {
        if (!real.empty() && !inside && lies_beneath(real, system)) {
            throw error("symbolic link " + named + " resolves into " + std::string(system) +
                        ": that would pack the builder's own state");
        }
    }
    if (!scan.options.keep_links) {
        if (real.empty() || inside) return {};
        return {false, target};
    }
    std::string fault = kept_link_fault(target, name);
    if (fault.empty() && real.empty()) fault = "it is dangling";
    if (fault.empty() && !inside) fault = "it resolves outside the source directory";
    if (!fault.empty()) {
        throw error("symbolic link " + named + " cannot be kept: " + fault +
                    "; make it a relative link inside the source directory, or pack what it points to with "
                    "--links copy");
    }
    source_entry entry = checked_entry(name, own);
    entry.size = static_cast<std::uint32_t>(target.size());
    entry.permissions = 0777;
    entry.link_target = target;
    scan.tree.entries.push_back(std::move(entry));
    scan.kept_links.emplace_back(name, real.substr(std::min(real.size(), scan.root_real.size() + 1)));
    return {true};
}

// Lists one directory: its files become entries, what cannot be packed becomes a warning, and its
// subdirectories join the pending ones. `dir` is the relative name, empty for the source directory.
void scan_directory(const std::string& dir, scan_state& scan) {
    source_tree& tree = scan.tree;
    const std::string prefix = dir.empty() ? dir : dir + "/";
    const std::string named = dir.empty() ? "." : dir;
    fd_holder opened;
    opened.fd = openat(scan.root_fd, named.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (opened.fd < 0) fail_errno("cannot open directory " + shown(named));
    const dir_ptr listing(fdopendir(opened.fd));
    if (!listing) fail_errno("cannot read directory " + shown(named));
    opened.fd = -1;  // the stream owns it now
    const int dir_fd = dirfd(listing.get());
    // Something the installer will create the directory for: a file, a subdirectory (which is warned
    // about itself if it comes to hold nothing), or an excluded entry (left out on purpose).
    bool holds_something = false;
    bool skipped_something = false;
    for (;;) {
        errno = 0;
        const dirent* item = readdir(listing.get());
        if (item == nullptr) {
            if (errno != 0) fail_errno("cannot read directory " + shown(named));
            break;
        }
        const std::string_view leaf = item->d_name;
        if (leaf == "." || leaf == "..") continue;
        const std::string name = prefix + std::string(leaf);
        if (is_excluded(scan.options, name)) {
            holds_something = true;
            continue;
        }

        struct stat st {};
        if (fstatat(dir_fd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            fail_errno("cannot examine " + shown(name));
        }
        if (S_ISDIR(st.st_mode)) {
            check_name_length(name);  // every name beneath it would be longer still
            scan.pending.push_back(name);
            holds_something = true;
            continue;
        }
        const bool is_link = S_ISLNK(st.st_mode);
        const link_scan linked = is_link ? scan_link(scan, dir_fd, item->d_name, name, st) : link_scan{};
        if (linked.kept) {
            holds_something = true;
            continue;
        }
        if (is_link && fstatat(dir_fd, item->d_name, &st, 0) != 0) {
            if (errno == ENOENT) throw error(shown(name) + " is a dangling symbolic link");
            fail_errno("cannot follow symbolic link " + shown(name));
        }
        if (S_ISREG(st.st_mode)) {
            tree.entries.push_back(checked_entry(name, st));
            check_readable(dir_fd, item->d_name, name);
            holds_something = true;
            if (linked.outside) {
                tree.warnings.push_back("packing what " + shown(name) + " points to, " +
                                        shown(*linked.outside) + ", outside the source directory");
            }
        } else if (is_link && S_ISDIR(st.st_mode)) {
            tree.warnings.push_back("skipping " + shown(name) +
                                    ": symbolic link to a directory (not followed)");
            skipped_something = true;
        } else {
            tree.warnings.push_back("skipping " + shown(name) + ": " +
                                    (is_link ? "symbolic link to a " : "") + non_regular_kind(st.st_mode));
            skipped_something = true;
        }
    }
    // The installer makes a directory only on the way to a file.
    if (holds_something || dir.empty()) return;
    if (skipped_something) {
        tree.warnings.push_back("skipping directory " + shown(dir) +
                                ": it holds nothing but skipped entries, and an installer cannot hold a "
                                "directory without files");
    } else {
        tree.warnings.push_back("skipping empty directory " + shown(dir) +
                                ": an installer cannot hold a directory without files");
    }
}

// A kept link leads to something the installer makes only when that is packed: a file or link of the
// tree, or a directory on the way to one (not an excluded or skipped one).
void warn_of_links_left_dangling(scan_state& scan) {
    const std::vector<source_entry>& entries = scan.tree.entries;
    const auto first_from = [&](const std::string& name) {
        return std::lower_bound(entries.begin(), entries.end(), name,
                                [](const source_entry& e, const std::string& n) { return e.name < n; });
    };
    for (const auto& [name, resolved] : scan.kept_links) {
        const auto same = first_from(resolved);
        const auto beneath = first_from(resolved + "/");
        if (resolved.empty() || (same != entries.end() && same->name == resolved) ||
            (beneath != entries.end() && beneath->name.starts_with(resolved + "/")))
            continue;
        scan.tree.warnings.push_back("symbolic link " + shown(name) + " will dangle once installed: " +
                                     shown(resolved) + ", where it leads, is not packed");
    }
}

}  // namespace

const char* name_bytes_fault(std::string_view name) {
    if (name.find('\\') != std::string_view::npos)
        return ": names must not contain '\\' (the installer would take it for a separator)";
    if (has_control_byte(name))
        return ": names must not contain control characters (bytes 0x01 to 0x1f and 0x7f; C1, U+0080 to "
               "U+009F or a lone byte 0x80 to 0x9f)";
    return nullptr;
}

source_tree scan_source_tree(const std::string& source_dir, const scan_options& options) {
    source_tree tree;
    scan_state scan{options, tree, -1, source_dir, real_path(source_dir), {}, {}};
    struct stat st {};
    if (stat(source_dir.c_str(), &st) != 0) fail_errno("cannot open source directory " + shown(source_dir));
    if (!S_ISDIR(st.st_mode)) throw error("source " + shown(source_dir) + " is not a directory");
    fd_holder root;
    root.fd = open(source_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root.fd < 0) fail_errno("cannot open source directory " + shown(source_dir));
    scan.root_fd = root.fd;
    scan.pending.emplace_back();
    while (!scan.pending.empty()) {
        const std::string dir = std::move(scan.pending.back());
        scan.pending.pop_back();
        scan_directory(dir, scan);
    }
    // std::string compares bytes as unsigned char: the byte order of the whole relative names.
    std::sort(tree.entries.begin(), tree.entries.end(),
              [](const source_entry& a, const source_entry& b) { return a.name < b.name; });
    warn_of_links_left_dangling(scan);
    std::sort(tree.warnings.begin(), tree.warnings.end());

    std::uint64_t total = 0;
    for (const auto& entry : tree.entries) total += entry.size;
    if (total > PAYLOAD_FIELD_MAX) {
        throw error("the files add up to " + std::to_string(total) + " bytes; the payload counts at most " +
                    std::to_string(PAYLOAD_FIELD_MAX));
    }
    return tree;
}

}  // namespace builder
