// The extract command: the tree the installer leaves in an empty target, written beneath a directory
// without its dialogue: the payload is laid out first with the installer's own removal rule, and only the
// files that survive the whole installation are written (with the `anywhere` rule, of same-named files the
// last; with `path`, every one), then the directories left empty. Files already beneath the directory
// are never removed, and stay untouched unless --force is given.
//
// Nothing is ever written outside DIR, whatever DIR already holds: every directory and file beneath it is
// reached from an open directory descriptor, one component at a time, and a link at any component is
// refused rather than followed. A link entry is made as a link, its text judged first as the installer
// judges it, and is never followed afterwards either. A file's bytes go to a new temporary file beside its
// place, whose mode and time are set through its descriptor; only when the entry has passed every check is it
// renamed into place, so a damaged entry leaves nothing behind and an existing file is replaced (with
// --force) without ever being opened: a hard link to a file outside keeps its content. Where the file system
// and /proc allow it the new file has no name at all until then (O_TMPFILE), so that no signal, not even
// SIGKILL, can leave a part of it behind; a temporary name, elsewhere or for the moment of a --force rename,
// is removed by the handler of every signal that can be caught (temporary_names.h). Set-user-ID, set-group-ID
// and sticky bits are dropped unless --keep-setid is given.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_file.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"
#include "builder/util/output_file.h"
#include "builder/util/temporary_names.h"
#include "payload/record_name.h"

namespace builder {
namespace {

constexpr int EXTRACT_DIR_FLAGS = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int EXTRACT_TEMP_ATTEMPTS = 100;

struct extract_options {
    bool force = false;
    bool keep_setid = false;
};

// One directory along an entry's path: its descriptor, and whether this entry made it (and so removes it
// again when the entry fails).
struct opened_dir {
    fd_holder fd;
    std::string name;
    bool created = false;
};

// An entry's path beneath DIR: the directories to pass and the file's own name. Empty and "." components
// stay where they are, as for the installer; a name whose last component is empty or "." names no file.
struct entry_path {
    std::vector<std::string> dirs;
    std::string leaf;
};

entry_path split_name(const std::string& name) {
    entry_path path;
    std::vector<std::string_view> parts = payload::name_components(name);
    path.leaf = parts.back() == "." ? "" : parts.back();
    parts.pop_back();
    for (const std::string_view part : parts) {
        if (!part.empty() && part != ".") path.dirs.emplace_back(part);
    }
    return path;
}

// What stands at `name` in `dir` without following it, for a refusal's message.
std::string kind_at(int dir, const std::string& name) {
    struct stat st {};
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return "";
    if (S_ISLNK(st.st_mode)) return "a symbolic link";
    if (S_ISDIR(st.st_mode)) return "a directory";
    if (S_ISREG(st.st_mode)) return "a file";
    return "not a file or directory";
}

class extractor {
  public:
    extractor(const std::string& dir, extract_options options) : dir_(dir), options_(options) {}

    // Writes one file entry, leaving nothing of it behind on any problem: its own throw error, a problem
    // with its bytes stops the walk.
    void write_entry(walked_entry& entry);

    // Makes the directory `path` ('/'-separated, beneath DIR) and those along it.
    void make_directory(const std::string& path) {
        std::vector<opened_dir> chain;
        open_directories(split_name(path + "/"), chain);
    }

    [[noreturn]] void fail(const std::string& problem) const {
        const std::string links = linked == 0 ? "" : " and " + std::to_string(linked) + " links";
        throw error("extract: " + problem + " (" + std::to_string(written) + " files" + links +
                    " written before it)");
    }

    std::uint64_t written = 0;
    std::uint64_t linked = 0;

  private:
    int root();
    void open_directories(const entry_path& path, std::vector<opened_dir>& chain);
    std::string next_temp_name() {
        return ".mkinstaller-" + std::to_string(getpid()) + "-" + std::to_string(temp_counter_++);
    }
    fd_holder create_temporary(int dir, std::string& temp_name);
    void create_link(int dir, const std::string& text, std::int32_t mtime, std::string& temp_name,
                     const std::string& shown_path);
    void name_temporary(int dir, int fd, std::string& temp_name);
    void finish_file(int fd, const payload::file_record& record, const std::string& shown_path);
    void place(int dir, int fd, std::string& temp_name, const std::string& leaf,
               const std::string& shown_path, bool link);

    std::string dir_;
    extract_options options_;
    fd_holder root_;
    unsigned temp_counter_ = 0;
};

// DIR as the user named it (links in its own path are theirs to choose), made when missing.
int extractor::root() {
    if (root_.fd >= 0) return root_.fd;
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    if (ec) fail("cannot create " + shown(dir_) + ": " + ec.message());
    root_.fd = open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_.fd < 0) fail_errno("extract: cannot open " + shown(dir_));
    return root_.fd;
}

void extractor::open_directories(const entry_path& path, std::vector<opened_dir>& chain) {
    std::string so_far;
    for (const std::string& part : path.dirs) {
        const int parent = chain.empty() ? root() : chain.back().fd.fd;
        so_far += (so_far.empty() ? "" : "/") + part;
        opened_dir next{fd_holder(openat(parent, part.c_str(), EXTRACT_DIR_FLAGS)), part, false};
        if (next.fd.fd < 0 && errno == ENOENT) {
            if (mkdirat(parent, part.c_str(), 0755) != 0)
                fail_errno("extract: cannot create " + shown(so_far));
            next.created = true;
            next.fd.fd = openat(parent, part.c_str(), EXTRACT_DIR_FLAGS);
        }
        if (next.fd.fd < 0) {
            const std::string kind = kind_at(parent, part);
            if (!kind.empty() && kind != "a directory")
                fail(shown(so_far) + " is " + kind + " where a directory is needed; it is not followed");
            fail_errno("extract: cannot open " + shown(so_far));
        }
        chain.push_back(std::move(next));
    }
}

// A file without a name (temp_name left empty) where it can later be linked through /proc, else a new
// file under a temporary name.
fd_holder extractor::create_temporary(int dir, std::string& temp_name) {
    temp_name.clear();
    if (output_unnamed_first && access("/proc/self/fd", X_OK) == 0) {
        fd_holder fd(openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (fd.fd >= 0) return fd;
    }
    for (int attempt = 0; attempt < EXTRACT_TEMP_ATTEMPTS; ++attempt) {
        temp_name = next_temp_name();
        fd_holder fd(
            openat(dir, temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return fd_holder();
}

// A link to `text` under a new temporary name in `dir`, registered for removal by a signal, with the
// entry's time set on the link itself.
void extractor::create_link(int dir, const std::string& text, std::int32_t mtime, std::string& temp_name,
                            const std::string& shown_path) {
    {
        const signal_hold hold;
        for (int attempt = 0; attempt < EXTRACT_TEMP_ATTEMPTS; ++attempt) {
            temp_name = next_temp_name();
            if (symlinkat(text.c_str(), dir, temp_name.c_str()) == 0) {
                remember_temporary(dir, temp_name.c_str());
                break;
            }
            temp_name.clear();
            if (errno != EEXIST) break;
        }
    }
    if (temp_name.empty()) fail_errno("extract: cannot create a link beside " + shown_path);
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (mtime != 0 && utimensat(dir, temp_name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail_errno("extract: cannot set the time of " + shown_path);
}

// As the installer does: a time of 0 means neither time nor mode is set, and the file keeps the mode a
// new file gets from the creation mask.
void extractor::finish_file(int fd, const payload::file_record& record, const std::string& shown_path) {
    mode_t mode = 0;
    if (record.mtime == 0) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    } else {
        mode = record.mode & (options_.keep_setid ? 07777 : 0777);
    }
    if (fchmod(fd, mode) != 0) fail_errno("extract: cannot set the mode of " + shown_path);
    if (record.mtime != 0) {
        const timespec times[2] = {{record.mtime, 0}, {record.mtime, 0}};
        if (futimens(fd, times) != 0) fail_errno("extract: cannot set the time of " + shown_path);
    }
}

// Gives the unnamed file `fd` a temporary name in `dir`, registered for removal by a signal.
void extractor::name_temporary(int dir, int fd, std::string& temp_name) {
    for (int attempt = 0; attempt < EXTRACT_TEMP_ATTEMPTS; ++attempt) {
        temp_name = next_temp_name();
        if (link_unnamed_as(fd, dir, temp_name) == 0) {
            remember_temporary(dir, temp_name.c_str());
            return;
        }
        if (errno != EEXIST) break;
    }
    temp_name.clear();
    fail_errno("extract: cannot create a temporary file in " + shown(dir_));
}

void extractor::place(int dir, int fd, std::string& temp_name, const std::string& leaf,
                      const std::string& shown_path, bool link) {
    if (temp_name.empty()) {
        if (!options_.force) {
            // A link, like RENAME_NOREPLACE, fails on a name that exists.
            if (link_unnamed_as(fd, dir, leaf) == 0) return;
            if (errno == EEXIST) fail(shown_path + " exists (--force overwrites it)");
            fail_errno("extract: cannot create " + shown_path);
        }
        name_temporary(dir, fd, temp_name);  // only a rename replaces a name in one step
    }
    if (options_.force) {
        // Whatever stands there is replaced as a name, never opened; only a file may be replaced, and by
        // a link entry a link too (as an earlier extract left it).
        const std::string kind = kind_at(dir, leaf);
        if (!kind.empty() && kind != "a file" && !(link && kind == "a symbolic link"))
            fail(shown_path + " is " + kind + "; it is not replaced");
        if (renameat(dir, temp_name.c_str(), dir, leaf.c_str()) != 0)
            fail_errno("extract: cannot create " + shown_path);
        return;
    }
    if (renameat2(dir, temp_name.c_str(), dir, leaf.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without that flag: a hard link fails just as surely on an existing name.
        if (linkat(dir, temp_name.c_str(), dir, leaf.c_str(), 0) == 0) {
            (void)unlinkat(dir, temp_name.c_str(), 0);
            return;
        }
    }
    if (errno == EEXIST) fail(shown_path + " exists (--force overwrites it)");
    fail_errno("extract: cannot create " + shown_path);
}

void extractor::write_entry(walked_entry& entry) {
    const payload::file_record& record = entry.record;
    const std::string name = record.name;
    const entry_path path = split_name(name);
    if (path.leaf.empty())
        fail("entry " + std::to_string(entry.index) + " " + shown(name) + " names no file");
    std::vector<opened_dir> chain;
    std::string temp_name;
    fd_holder file;
    // Whatever this entry made goes again unless it completes.
    struct rollback {
        extractor& self;
        std::vector<opened_dir>& chain;
        const std::string& temp_name;
        const fd_holder& file;
        const bool link;
        bool done = false;
        ~rollback() {
            if (done) return;
            const int last = chain.empty() ? self.root_.fd : chain.back().fd.fd;
            if ((file.fd >= 0 || link) && !temp_name.empty()) {
                const signal_hold hold;
                (void)unlinkat(last, temp_name.c_str(), 0);
                forget_temporary(temp_name.c_str());
            }
            for (std::size_t i = chain.size(); i-- > 0;) {
                if (!chain[i].created) break;
                const int parent = i == 0 ? self.root_.fd : chain[i - 1].fd.fd;
                (void)unlinkat(parent, chain[i].name.c_str(), AT_REMOVEDIR);
            }
        }
    } undo{*this, chain, temp_name, file, record.method == payload::METHOD_LINK};

    open_directories(path, chain);
    const int dir = chain.empty() ? root() : chain.back().fd.fd;
    const std::string shown_path = shown(name);
    // Said at once rather than after the bytes; the rename below is what decides.
    if (!options_.force && !kind_at(dir, path.leaf).empty())
        fail(shown_path + " exists (--force overwrites it)");
    if (undo.link) {
        // Its text is judged before the link is made, as the installer judges it.
        std::string text;
        if (entry.read_bytes({.text = &text}).found()) return;
        create_link(dir, text, record.mtime, temp_name, shown_path);
    } else {
        {
            const signal_hold hold;
            file = create_temporary(dir, temp_name);
            if (file.fd >= 0 && !temp_name.empty()) remember_temporary(dir, temp_name.c_str());
        }
        if (file.fd < 0) fail_errno("extract: cannot create a temporary file beside " + shown_path);
        if (entry.read_bytes({file.fd, shown_path}).found()) return;
        finish_file(file.fd, record, shown_path);
    }
    {
        const signal_hold hold;
        // On a throw, the rollback removes a name.
        place(dir, file.fd, temp_name, path.leaf, shown_path, undo.link);
        forget_temporary(temp_name.c_str());
    }
    undo.done = true;
    ++(undo.link ? linked : written);
}

// What the installer leaves in an empty target: the entries whose files survive it, and the directories
// that hold nothing.
struct surviving_tree {
    std::set<std::uint64_t> entries;
    std::vector<std::string> empty_directories;
};

void collect_survivors(const layout_node& dir, const std::string& path, surviving_tree& survivors) {
    for (const auto& [name, node] : dir.children) {
        const std::string child = path.empty() ? name : path + "/" + name;
        if (!node.is_directory) {
            survivors.entries.insert(node.file.entry);
        } else if (node.children.empty()) {
            survivors.empty_directories.push_back(child);
        } else {
            collect_survivors(node, child, survivors);
        }
    }
}

}  // namespace

void run_extract(const std::string& installer, const std::string& dir, bool force, bool keep_setid,
                 std::ostream& out) {
    installer_file file(open_installer(installer, "extract"), "extract");
    require_whole_payload(file.payload(), "extract");
    if (const std::string refusal = start_refusal(file.regions()); !refusal.empty())
        throw error("extract: " + refusal);
    const payload::same_name_removal removal = file.settings().removal;
    // The records alone tell which files survive; the walk that writes them stops where the records do,
    // or at an entry whose bytes fail.
    layout_tree laid_out;
    lay_out_records(file.records(), {&laid_out, layout_order::before_bytes, removal});
    surviving_tree survivors;
    collect_survivors(laid_out.root, "", survivors);

    extractor files(dir, {.force = force, .keep_setid = keep_setid});
    std::uint64_t bytes = 0;
    std::uint64_t touches = 0;  // no bytes to extract: they set time and mode on the release's files
    const auto write_file = [&](walked_entry& entry) {
        if (entry.record.method == payload::METHOD_DELETE) return;
        if (entry.record.method == payload::METHOD_TOUCH) {
            ++touches;
            return;
        }
        if (!survivors.entries.contains(entry.index)) {
            (void)entry.read_bytes();  // checked all the same: the installer stops at its problem
            return;
        }
        files.write_entry(entry);
        if (entry.record.method != payload::METHOD_LINK) bytes += entry.record.file_size;
    };
    layout_tree target;
    if (const auto stop = file.walk(write_file, {&target, layout_order::before_bytes, removal}))
        files.fail(describe_stop(*stop));
    for (const std::string& path : survivors.empty_directories) files.make_directory(path);
    out << "extracted " << files.written << " files, ";
    if (files.linked != 0) out << files.linked << " links, ";
    out << bytes << " bytes, into " << display_text(dir);
    if (touches != 0) out << "; skipped " << touches << " touch entries, which carry no bytes";
    out << '\n';
}

}  // namespace builder
