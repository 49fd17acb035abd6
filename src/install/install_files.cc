// The extraction loop. Per entry, in this order: the record and its checks; removal of every same-named
// entry beneath the target (the vendor's rule `anywhere`, the built-in one); a delete entry's removal, or
// the file's directories, the file created under a temporary name beside its path (a directory at the
// path refused), its stored bytes, its bytes copied or decoded chunk by chunk (drawing progress between
// chunks), their CRC, one write, its time and mode, the close, and the rename over whatever stood at the
// path (the rule `path` removes nothing else); the progress line drawn for the finished file and erased.
// A touch entry skips the removal and the writing: it only sets time and mode on the file at its path.
// A file not written, closed and placed whole is removed (file_guard.h); the directories are worked in
// through descriptors held open (directory_chain.h), so that no link planted meanwhile is followed.
//
// The reading, checking and decoding of entries stands behind entry_reader.h, which may run it ahead on a
// worker; every step that shows (the file system work, every drawing and every message) stays here, in
// the order above, and a failure met ahead is reported at the step where reading in turn meets it.
#include "install/install_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "install/concat_strings.h"
#include "install/directory_chain.h"
#include "install/entry_reader.h"
#include "install/file_guard.h"
#include "install/free_space.h"
#include "install/name_index.h"
#include "install/payload_check.h"
#include "install/progress.h"
#include "payload/crc16.h"
#include "payload/installer_messages.h"
#include "payload/link_target.h"
#include "payload/path_limit.h"
#include "payload/record_name.h"
#include "process/held_output.h"
#include "process/payload_stream.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/shown_output.h"
#include "process/termination.h"
#include "process/vendor_settings.h"

namespace install {
namespace {

char working_path[payload::TARGET_PATH_SIZE];
const char* entry_name = "";  // of the entry in hand, for the messages that name it

// With the conventional command line a failure names what it met: `message` and the name quoted.
const char* naming(const char* message, const char* name) {
    if (!process::run.gnu) return message;
    // The name comes from the payload; escaped, it is at most four times as long.
    static char bytes[4 * payload::TARGET_PATH_SIZE + 64];
    process::gathered_text named{bytes};
    named(message);
    named(" \"");
    named(process::shown{name});
    named(std::string_view("\"", 2));  // its NUL too
    return bytes;
}

[[noreturn]] void cannot_save(int errnum) {
    fail_errno(naming("Error saving data", entry_name), "(err=1).", errnum);
}

struct install_counters {
    std::uint32_t file_count;
    std::uint32_t total_size;
    std::uint32_t percent_base = 0;  // 100 x the entries handled so far
    std::uint32_t bytes_done = 0;    // file_size of every finished entry

    int file_percent() const { return static_cast<int>(percent_base / file_count); }

    // Truncated toward zero. An empty total (a payload of empty files) reads as done; a value beyond int
    // (a header total smaller than the files) is held at its end.
    int byte_percent(std::uint32_t bytes) const {
        if (total_size == 0) return 100;
        const double percent = bytes * 100.0 / total_size;
        return percent < INT_MAX ? static_cast<int>(percent) : INT_MAX;
    }
};

// The directory screen accepts at most TARGET_PATH_MAX bytes, so the copy always fits; the bound only keeps a
// longer target (which nothing produces) from overrunning the buffer.
void copy_target_dir() {
    const std::size_t length = strnlen(process::session.target_dir.data(), payload::TARGET_PATH_SIZE - 1);
    std::memcpy(working_path, process::session.target_dir.data(), length);
    working_path[length] = '\0';
}

// Cuts a path to its parent, never to less than its first character: "/x" comes to "/", not to nothing.
void cut_to_parent(char* path) {
    const std::size_t n = std::strlen(path);
    if (n <= 1) return;
    path[std::max<std::size_t>(payload::parent_length({path, n}), 1)] = '\0';
}

// The bytes in as many writes as the system takes them in (one, but for a file beyond what one write
// takes); a write that fails or takes nothing is the short write. The file is removed before the report:
// a file cut short by a full disk must not stay as if installed.
void write_file_bytes(int out, const unsigned char* bytes, std::uint32_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = write(out, bytes + done, size - done);
        if (written <= 0) {
            const int cause = errno;
            (void)close_file_in_progress(out, false);
            cannot_save(cause);
        }
        done += static_cast<std::size_t>(written);
    }
}

bool ends_with_slash(const char* text) {
    const std::size_t n = std::strlen(text);
    return n != 0 && text[n - 1] == '/';
}

// With the rule `path`, only what stands at an entry's own path goes: the placing of the file replaces it.
bool removes_at_path_only() {
    return process::removal_rule() == payload::same_name_removal::path;
}

// The last '/' of a path parts the directory to enter from the name in it.
struct path_parts {
    std::string_view directory;
    const char* name;
};

path_parts split_path(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return {"", path};
    // "/x" lies in the root, which a directory part of nothing would not name.
    return {{path, static_cast<std::size_t>(slash == path ? 1 : slash - path)}, slash + 1};
}

// The directory of `path` entered, made along the way when `make`; -1 with errno.
int enter_parent(const path_parts& parts, bool make) {
    char* directory = strndup(parts.directory.data(), parts.directory.size());
    if (directory == nullptr) fail("Memory allocation error (err=4).");
    const int fd = enter_directory_path(directory, make);
    const int enter_errno = errno;
    std::free(directory);
    errno = enter_errno;
    return fd;
}

// A file, a link or an empty directory goes; a non-empty directory stays. Through the directories held
// open, so that no link planted in the path is followed to something outside. The results change nothing
// here; the name index only learns from them.
void delete_entry(const char* path, const payload::file_record& record) {
    const path_parts parts = split_path(path);
    bool removed = false;
    if (*parts.name == '\0' || std::strcmp(parts.name, ".") == 0 || std::strcmp(parts.name, "..") == 0) {
        // Names the directory itself: as the system resolves the whole path.
        removed = std::remove(path) == 0;
        removed = rmdir(path) == 0 || removed;
        release_held_directories();
    } else if (const int directory = enter_parent(parts, false); directory >= 0) {
        removed = unlinkat(directory, parts.name, 0) == 0;
        removed = unlinkat(directory, parts.name, AT_REMOVEDIR) == 0 || removed;
    }
    note_path_deleted(working_path, record.name, removed);
}

[[noreturn]] void cannot_create_file(int errnum) {
    fail_errno(naming(payload::MESSAGE_CREATE_FILE, entry_name), payload::MESSAGE_CREATE_FILE_TAG, errnum);
}

// The file's directory entered and the file in progress created in it, or the installer ended with what
// opening the path for writing would have met: a directory there is refused before anything is decoded.
int create_file(const char* file_path, const char* dir_path, int dir_fd, const payload::file_record& record,
                path_parts* parts) {
    *parts = split_path(file_path);
    if (std::strlen(file_path) >= PATH_MAX) cannot_create_file(ENAMETOOLONG);
    errno = 0;
    // The directory just made is the file's own but for a name holding a '\\' or ending in "/." and such.
    const int directory = parts->directory == dir_path ? dir_fd : enter_parent(*parts, false);
    if (directory < 0) cannot_create_file(errno);
    if (*parts->name == '\0') cannot_create_file(EISDIR);
    if (!known_free_path(working_path, record.name)) {
        struct stat standing {};
        if (fstatat(directory, parts->name, &standing, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(standing.st_mode))
            cannot_create_file(EISDIR);
    }
    if (first_meeting_with_entered_directory() && !entered_directory_is_new())
        remove_stale_temporaries(directory);
    const int out = open_file_in_progress(directory);
    if (out < 0) cannot_create_file(errno);
    return out;
}

// A touch entry: time and mode set on the regular file already at the path, opened through the held
// directories and never through a link; anything else there is a placement failure.
void touch_file(const char* path, const payload::file_record& record) {
    const path_parts parts = split_path(path);
    if (std::strlen(path) >= PATH_MAX) cannot_create_file(ENAMETOOLONG);
    errno = 0;
    const int directory = enter_parent(parts, false);
    if (directory < 0) cannot_create_file(errno);
    if (*parts.name == '\0') cannot_create_file(EISDIR);
    const int fd = openat(directory, parts.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) cannot_create_file(errno);
    struct stat standing {};
    if (fstat(fd, &standing) != 0 || !S_ISREG(standing.st_mode)) {
        const int cause = S_ISDIR(standing.st_mode) ? EISDIR : EINVAL;
        (void)close(fd);
        cannot_create_file(cause);
    }
    if (record.mtime != 0) {
        const timespec times[2] = {{.tv_sec = record.mtime, .tv_nsec = 0},
                                   {.tv_sec = record.mtime, .tv_nsec = 0}};
        if (futimens(fd, times) != 0 || fchmod(fd, record.mode) != 0) {
            const int cause = errno;
            (void)close(fd);
            cannot_create_file(cause);
        }
    }
    (void)close(fd);
    process::log_line("touched", record.name);
}

// The directory of `path` (cut to its parent in place) entered, made along the way; the installer ends
// when that fails.
int make_parent_directories(char* path) {
    cut_to_parent(path);
    errno = 0;
    const int dir_fd = enter_directory_path(path, true);
    if (dir_fd < 0) {
        const int cause = errno;  // before the message is made
        fail_errno(naming(payload::MESSAGE_CREATE_DIRECTORY, path), payload::MESSAGE_CREATE_DIRECTORY_TAG,
                   cause);
    }
    return dir_fd;
}

// A link entry: its text read and checked before anything is made, then the link made under a temporary
// name beside its path and renamed over whatever stands there (a directory refused), as a file is placed.
void install_link(char* path, const payload::file_record& record) {
    char target[payload::LINK_TARGET_MAX + 1];
    const unsigned char* text = take_file_bytes(record, [](std::size_t) {});
    std::memcpy(target, text, record.file_size);  // read_file_record bounds the size
    target[record.file_size] = '\0';
    const int dir_fd = make_parent_directories(path);
    const bool needs_slash = working_path[0] != '\0' && !ends_with_slash(working_path);
    char* link_path = concat_strings({working_path, needs_slash ? "/" : nullptr, record.name});
    if (link_path == nullptr) fail("Insufficient memory (err=4).");
    const path_parts parts = split_path(link_path);
    if (std::strlen(link_path) >= PATH_MAX) cannot_create_file(ENAMETOOLONG);
    errno = 0;
    const int directory = parts.directory == path ? dir_fd : enter_parent(parts, false);
    if (directory < 0) cannot_create_file(errno);
    if (*parts.name == '\0') cannot_create_file(EISDIR);
    struct stat standing {};
    if (fstatat(directory, parts.name, &standing, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(standing.st_mode))
        cannot_create_file(EISDIR);
    if (first_meeting_with_entered_directory() && !entered_directory_is_new())
        remove_stale_temporaries(directory);
    if (!make_link_in_progress(directory, target, record.mtime)) cannot_create_file(errno);
    if (!place_file_in_progress(parts.name)) cannot_create_file(errno);
    note_file_written(working_path, record.name);
    process::log_line("linked", record.name);
    std::free(link_path);
}

void install_file(const payload::file_record& record, const install_counters& counters) {
    entry_name = record.name;
    char* path = concat_strings({working_path, ends_with_slash(working_path) ? "" : "/", record.name});
    if (path == nullptr) fail("Memory allocation error (err=4).");
    if (record.method == payload::METHOD_DELETE) {
        delete_entry(path, record);
        std::free(path);
        return;
    }
    if (record.method == payload::METHOD_TOUCH) {
        touch_file(path, record);
        std::free(path);
        return;
    }
    if (record.method == payload::METHOD_LINK) {
        install_link(path, record);
        std::free(path);
        return;
    }
    const int dir_fd = make_parent_directories(path);

    // The same separator rule as the directory path, so that a target ending in '\' gets its '/' here too.
    const bool needs_slash = working_path[0] != '\0' && !ends_with_slash(working_path);
    char* file_path = concat_strings({working_path, needs_slash ? "/" : nullptr, record.name});
    if (file_path == nullptr) fail("Insufficient memory (err=4).");
    path_parts parts{};
    const int out = create_file(file_path, path, dir_fd, record, &parts);
    std::free(path);

    // The progress line between the chunks of a compressed file, counting what is decoded of it.
    const unsigned char* bytes = take_file_bytes(record, [&](std::size_t done) {
        show_progress(record.name,
                      counters.byte_percent(counters.bytes_done + static_cast<std::uint32_t>(done)),
                      counters.file_percent());
    });
    write_file_bytes(out, bytes, record.file_size);
    // Time and mode on the written file before it takes its name: whatever then stands at the path is
    // the whole file, with its own time and mode. Their results do not matter.
    if (record.mtime != 0) {
        const timespec times[2] = {{.tv_sec = record.mtime, .tv_nsec = 0},
                                   {.tv_sec = record.mtime, .tv_nsec = 0}};
        (void)futimens(out, times);
        (void)fchmod(out, record.mode);
    }
    if (!close_file_in_progress(out, true)) cannot_save(errno);
    if (!place_file_in_progress(parts.name)) cannot_create_file(errno);
    note_file_written(working_path, record.name);
    process::log_line("installed", record.name);
    std::free(file_path);
}

// The screen's banner, or for an unattended run one plain line saying what is installed where.
void write_installing_line() {
    if (!process::run.unattended) {
        std::fputs("\n\n.... Installing files ....\n\n", stderr);
    } else if (!process::run.quiet) {
        const std::uint32_t size = payload::header_u32(process::session.header, payload::HEADER_TOTAL_SIZE);
        std::fprintf(stderr, "Installing %u files, %u bytes ...\n",
                     payload::header_u32(process::session.header, payload::HEADER_FILE_COUNT), size);
    }
}

}  // namespace

void install_files() {
    const payload::heap_bytes reservation = payload::reserve_crc16_memory();  // crc16.h says why
    if (!reservation) process::error("Insufficient memory (err=3).");
    write_installing_line();
    show_progress(nullptr, 0, 0);
    check_payload_first();  // before anything beneath the target is made or removed
    if (process::run.gnu) check_free_space(process::session.target_dir.data());
    // Gathered drawings go out before any report and at the end.
    gather_progress(true);
    process::set_held_output_flush(flush_progress);
    reset_name_index();
    start_file_guard();
    begin_directories(process::session.target_dir.data());

    install_counters counters{
        .file_count = payload::header_u32(process::session.header, payload::HEADER_FILE_COUNT),
        .total_size = payload::header_u32(process::session.header, payload::HEADER_TOTAL_SIZE)};
    start_reading(counters.file_count);
    for (std::uint32_t i = 0; i < counters.file_count; ++i) {
        const payload::file_record& record = take_record();
        copy_target_dir();
        // Through the name index (name_index.h), which leaves what the walk of remove_named_entries would.
        // With the rule `path` the index is never built: known_free_path then knows nothing.
        // A touch entry keeps the file it touches: it removes nothing.
        if (record.name[0] != '\0' && !removes_at_path_only() && record.method != payload::METHOD_TOUCH &&
            remove_same_named(working_path, payload::last_name_component(record.name).data()))
            release_held_directories();
        install_file(record, counters);
        if (record.method != payload::METHOD_DELETE) {
            counters.bytes_done += record.file_size;
            show_finished_progress(record.name, counters.byte_percent(counters.bytes_done),
                                   counters.file_percent());
        }
        release_entry_read();
        counters.percent_base += 100;
    }
    stop_reading();
    end_file_guard();
    leave_directories();
    show_progress(nullptr, 0, 0);
    process::set_held_output_flush(nullptr);
    gather_progress(false);
}

}  // namespace install
