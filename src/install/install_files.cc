// The extraction loop. Per entry, in this order: the record and its checks; removal of every same-named
// entry beneath the target (the vendor's rule `anywhere`, the built-in one); a delete entry's removal, or
// the file's directories, the removal of what stands at its path (the rule `path`), the opened file, its
// stored bytes, its bytes copied or decoded chunk by chunk (drawing progress between chunks), their CRC,
// one write, its time and mode through the still open file, the close; the progress line drawn for the
// finished file and erased. A file not written and closed whole is removed (file_guard.h).
//
// The reading, checking and decoding of entries may run ahead on a worker (read_ahead.h); the loop then
// takes each entry's record and bytes from it, but every step that shows (the file system work, every
// drawing and every message) stays here, in the order above, and a failure the worker met is reported at
// the step where reading in turn meets it.
#include "install/install_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "driver/driver_state.h"
#include "driver/termination.h"
#include "driver/vendor_settings.h"
#include "install/concat_strings.h"
#include "install/directory_ops.h"
#include "install/file_guard.h"
#include "install/name_index.h"
#include "install/progress.h"
#include "install/read_ahead.h"
#include "payload/crc16.h"
#include "payload/installer_messages.h"
#include "payload/payload_stream.h"
#include "payload/record_name.h"

namespace install {
namespace {

constexpr std::size_t WORKING_PATH_SIZE = 4096;
char working_path[WORKING_PATH_SIZE];

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

// Every way out stops the worker first: the process must not end with it inside the stream or malloc.
// The signals get back what they had: a file left open by a failure stays as the failure left it.
[[noreturn]] void fail(const char* message) {
    stop_read_ahead();
    end_file_guard();
    driver::error(message);
}

[[noreturn]] void fail_errno(const char* message, const char* tag, int errnum) {
    stop_read_ahead();
    end_file_guard();
    driver::error_errno(message, tag, errnum);
}

// The directory screen accepts at most 4094 characters, so the copy always fits; the bound only keeps a
// longer target (which nothing produces) from overrunning the buffer.
void copy_target_dir() {
    const std::size_t length = strnlen(driver::session.target_dir.data(), WORKING_PATH_SIZE - 1);
    std::memcpy(working_path, driver::session.target_dir.data(), length);
    working_path[length] = '\0';
}

// Cuts a path to its parent, never to less than its first character: "/x" comes to "/", not to nothing.
void cut_to_parent(char* path) {
    const std::size_t n = std::strlen(path);
    if (n <= 1) return;
    path[std::max<std::size_t>(payload::parent_length({path, n}), 1)] = '\0';
}

// Decodes the stored bytes into `file` (chunk_loop.h), drawing the progress line after every chunk but the
// last. With `decoded_ahead` the worker decodes them (stored and file are then null) and each chunk's result
// is waited for in the same walk: the drawings and the failure stay the same.
void inflate_entry(const payload::file_record& record, const unsigned char* stored, unsigned char* file,
                   const install_counters& counters, bool decoded_ahead) {
    const std::uint32_t file_size = record.file_size;
    const auto draw_progress = [&](std::size_t done, int result) {
        if (done < file_size) {
            show_progress(record.name,
                          counters.byte_percent(counters.bytes_done + static_cast<std::uint32_t>(done)),
                          counters.file_percent());
        }
        return result == 0;
    };
    int result = 0;
    if (decoded_ahead) {
        result = decoder::for_each_chunk(
            file_size, [](std::size_t, std::size_t end) { return wait_for_decoded(end); }, draw_progress);
    } else {
        decoder::codec_context* codec = nullptr;
        if (decoder::codec_open(&codec) < 0) fail(payload::MESSAGE_DECOMPRESSION);
        decoder::input_span input{stored, stored + record.stored_size};
        result = decoder::decode_in_chunks(codec, &input, file, file_size, draw_progress);
        decoder::codec_close(&codec);
    }
    if (result < 0) fail(payload::MESSAGE_DECOMPRESSION);
}

// Reading in turn, after the open: the two buffers, the stored bytes and their CRC, the file bytes copied
// or decoded, and their CRC. Returns the file bytes, held in `file`.
const unsigned char* make_file_bytes(const payload::file_record& record, const install_counters& counters,
                                     payload::heap_bytes& stored, payload::heap_bytes& file) {
    stored = payload::allocate_bytes(record.stored_size + std::size_t{1});
    file = payload::allocate_bytes(record.file_size + std::size_t{1});
    if (!stored || !file) fail("Memory allocation error (err=3).");
    payload::load_stored_bytes(record, stored.get());
    if (record.method == payload::METHOD_STORED) {
        std::memcpy(file.get(), stored.get(), record.file_size);
    } else if (payload::needs_decoder(record)) {
        inflate_entry(record, stored.get(), file.get(), counters, false);
    }
    payload::verify_file_bytes(record, file.get());
    return file.get();
}

// The same steps for an entry the worker prepared: what stopped it there is reported at the same step,
// after the drawings of the chunks decoded before. Null when the worker handed the entry over: it has
// ended, and this entry and the rest are read in turn.
const unsigned char* prepared_file_bytes(const payload::file_record& record,
                                         const install_counters& counters) {
    int failure = wait_for_entry(PREPARED_STORED);
    if (failure == PREPARED_HANDED_OVER) {
        stop_read_ahead();
        return nullptr;
    }
    if (failure != 0) fail(payload::CORRUPTED_MESSAGES[failure]);
    if (payload::needs_decoder(record)) {
        inflate_entry(record, nullptr, nullptr, counters, true);
    }
    failure = wait_for_entry(PREPARED_FILE);
    const prepared_entry& entry = next_entry();
    if (failure == 0) {
        failure =
            entry.file_check >= 0 ? entry.file_check : payload::check_file_bytes(record, entry.file.get());
    }
    if (failure != 0) fail(payload::CORRUPTED_MESSAGES[failure]);
    return entry.file.get();
}

// The bytes in as many writes as the system takes them in (one, but for a file beyond what one write
// takes); a write that fails or takes nothing is the short write. The file is removed before the report:
// a file cut short by a full disk must not stay as if installed.
void write_file_bytes(int out, const unsigned char* bytes, std::uint32_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = write(out, bytes + done, size - done);
        if (written <= 0) {
            (void)close_file_in_progress(out, false);
            fail_errno("Error saving data", "(err=1).", errno);
        }
        done += static_cast<std::size_t>(written);
    }
}

bool ends_with_slash(const char* text) {
    const std::size_t n = std::strlen(text);
    return n != 0 && text[n - 1] == '/';
}

// With the rule `path`, only what stands at an entry's own path goes. A link or a file with other names is
// replaced, not written through; a directory stays, and the open below fails on it.
bool removes_at_path_only() {
    return driver::vendor_settings().removal == payload::same_name_removal::path;
}

void install_file(const payload::file_record& record, const install_counters& counters) {
    char* path = concat_strings({working_path, ends_with_slash(working_path) ? "" : "/", record.name});
    if (path == nullptr) fail("Memory allocation error (err=4).");
    if (record.method == payload::METHOD_DELETE) {
        // A file, a link or an empty directory goes; a non-empty directory stays. The results change
        // nothing here; the name index only learns from them.
        const bool removed = std::remove(path) == 0;
        const bool removed_dir = rmdir(path) == 0;
        note_path_deleted(working_path, record.name, removed || removed_dir);
        std::free(path);
        return;
    }
    cut_to_parent(path);
    const std::size_t known = known_directory_length(working_path, record.name, path);
    errno = 0;
    if (make_dir_path_beyond(path, known) == 0)
        fail_errno(payload::MESSAGE_CREATE_DIRECTORY, payload::MESSAGE_CREATE_DIRECTORY_TAG, errno);
    std::free(path);

    // The same separator rule as the directory path, so that a target ending in '\' gets its '/' here too.
    const bool needs_slash = working_path[0] != '\0' && !ends_with_slash(working_path);
    char* file_path = concat_strings({working_path, needs_slash ? "/" : nullptr, record.name});
    if (file_path == nullptr) fail("Insufficient memory (err=4).");
    if (removes_at_path_only()) (void)unlink(file_path);
    errno = 0;
    const int out = open_file_in_progress(file_path);
    if (out < 0) fail_errno(payload::MESSAGE_CREATE_FILE, payload::MESSAGE_CREATE_FILE_TAG, errno);
    note_file_written(working_path, record.name);

    payload::heap_bytes stored;
    payload::heap_bytes file;
    const unsigned char* bytes = reading_ahead() ? prepared_file_bytes(record, counters) : nullptr;
    if (bytes == nullptr) bytes = make_file_bytes(record, counters, stored, file);
    write_file_bytes(out, bytes, record.file_size);
    stored.reset();
    file.reset();
    // Time and mode through the open, written file: set by path after the close, they would follow
    // whatever stood at the path by then (a link put there in that moment). Their results do not matter.
    if (record.mtime != 0) {
        const timespec times[2] = {{.tv_sec = record.mtime, .tv_nsec = 0},
                                   {.tv_sec = record.mtime, .tv_nsec = 0}};
        (void)futimens(out, times);
        (void)fchmod(out, record.mode);
    }
    if (!close_file_in_progress(out, true)) fail_errno("Error saving data", "(err=1).", errno);
    std::free(file_path);
}

}  // namespace

void install_files() {
    const payload::heap_bytes reservation = payload::reserve_crc16_memory();  // crc16.h says why
    if (!reservation) driver::error("Insufficient memory (err=3).");
    std::fputs("\n\n.... Installing files ....\n\n", stderr);
    show_progress(nullptr, 0, 0);
    // Gathered drawings go out before any report and at the end.
    gather_progress(true);
    driver::set_held_output_flush(flush_progress);
    reset_name_index();
    start_file_guard();

    install_counters counters{
        .file_count = payload::header_u32(driver::session.header, payload::HEADER_FILE_COUNT),
        .total_size = payload::header_u32(driver::session.header, payload::HEADER_TOTAL_SIZE)};
    payload::record_buffer buffer{};
    payload::file_record read_record{};
    (void)start_read_ahead(counters.file_count);
    for (std::uint32_t i = 0; i < counters.file_count; ++i) {
        const payload::file_record* next = &read_record;
        if (reading_ahead()) {
            const int failure = wait_for_entry(PREPARED_RECORD);
            if (failure != 0) fail(payload::CORRUPTED_MESSAGES[failure]);
            next = &next_entry().record;
        } else {
            read_record = payload::next_file_record(buffer);
        }
        const payload::file_record& record = *next;
        copy_target_dir();
        // Through the name index (name_index.h), which leaves what the walk of remove_named_entries would.
        // With the rule `path` the index is never built: known_directory_length then knows nothing.
        if (record.name[0] != '\0' && !removes_at_path_only())
            remove_same_named(working_path, payload::last_name_component(record.name).data());
        install_file(record, counters);
        if (record.method != payload::METHOD_DELETE) {
            counters.bytes_done += record.file_size;
            show_finished_progress(record.name, counters.byte_percent(counters.bytes_done),
                                   counters.file_percent());
        }
        // Still reading ahead unless this entry was handed over; its record then stays where it was.
        if (reading_ahead()) release_entry();
        counters.percent_base += 100;
    }
    stop_read_ahead();
    end_file_guard();
    show_progress(nullptr, 0, 0);
    driver::set_held_output_flush(nullptr);
    gather_progress(false);
}

}  // namespace install
