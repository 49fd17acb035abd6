// The extraction loop. Per entry, in this order: the record and its checks; removal of every same-named
// entry beneath the target; a delete entry's removal, or the file's directories, the opened file, its
// stored bytes, its bytes copied or decoded chunk by chunk (drawing progress between chunks), their CRC,
// one write, its time and mode through the still open file, the close; the progress line drawn for the
// finished file and erased.
#include "install/install_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decoder/codec.h"
#include "driver/driver_state.h"
#include "driver/termination.h"
#include "install/concat_strings.h"
#include "install/directory_ops.h"
#include "install/name_index.h"
#include "install/progress.h"
#include "payload/crc16.h"
#include "payload/payload_stream.h"

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

// The directory screen accepts at most 4094 characters, so the copy always fits; the bound only keeps a
// longer target (which nothing produces) from overrunning the buffer.
void copy_target_dir() {
    const std::size_t length = strnlen(driver::target_dir.data(), WORKING_PATH_SIZE - 1);
    std::memcpy(working_path, driver::target_dir.data(), length);
    working_path[length] = '\0';
}

bool is_separator(char c) {
    return c == '/' || c == '\\';
}

// The text behind the last separator before the name's final character, or the whole name.
const char* last_component(const char* name) {
    for (std::size_t k = std::strlen(name) - 1; k-- > 0;) {
        if (is_separator(name[k])) return name + k + 1;
    }
    return name;
}

// Cuts a path to its parent directory: a trailing separator alone, else back to the nearest separator at
// index 1 or later, else to its first character.
void cut_to_parent(char* path) {
    const std::size_t n = std::strlen(path);
    if (n <= 1) return;
    if (is_separator(path[n - 1])) {
        path[n - 1] = '\0';
        return;
    }
    std::size_t k = n - 1;
    while (k >= 1 && !is_separator(path[k])) --k;
    path[k >= 1 ? k : 1] = '\0';
}

// Decodes the stored bytes into `file` in chunks of 8192 bytes (the decoder's contract), drawing the
// progress line after every chunk but the last.
void inflate_entry(const payload::file_record& record, const unsigned char* stored, unsigned char* file,
                   const install_counters& counters) {
    decoder::input_span input{stored, stored + record.stored_size};
    unsigned char* p = file;
    unsigned char* const end = file + record.file_size;
    decoder::codec_context* codec = nullptr;
    if (decoder::codec_open(&codec) < 0) driver::error("Decompression error (err=1).");
    for (;;) {
        const std::size_t chunk = std::min<std::size_t>(end - p, decoder::CODEC_CHUNK_SIZE);
        decoder::output_span output{p, p + chunk};
        const int result = decoder::decode_chunk(codec, &input, &output);
        p += chunk;
        if (p == end) {
            decoder::codec_close(&codec);
            if (result < 0) driver::error("Decompression error (err=1).");
            return;
        }
        show_progress(record.name,
                      counters.byte_percent(counters.bytes_done + static_cast<std::uint32_t>(p - file)),
                      counters.file_percent());
        if (result < 0) {
            decoder::codec_close(&codec);
            driver::error("Decompression error (err=1).");
        }
    }
}

// A write that the stream only shows at its flush or close is reported like a short write.
void write_file_bytes(std::FILE* out, const unsigned char* bytes, std::uint32_t size) {
    if (std::fwrite(bytes, 1, size, out) < size || std::fflush(out) != 0) {
        driver::error_errno("Error saving data", "(err=1).", errno);
    }
}

void install_file(const payload::file_record& record, const unsigned char* crc_table,
                  const install_counters& counters) {
    char* path = concat_strings({working_path, ends_with_slash(working_path) ? "" : "/", record.name});
    if (path == nullptr) driver::error("Memory allocation error (err=4).");
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
        driver::error_errno("Can't create directory", "(err=4).", errno);
    std::free(path);

    // The same separator rule as the directory path, so that a target ending in '\' gets its '/' here too.
    const bool needs_slash = working_path[0] != '\0' && !ends_with_slash(working_path);
    char* file_path = concat_strings({working_path, needs_slash ? "/" : nullptr, record.name});
    if (file_path == nullptr) driver::error("Insufficient memory (err=4).");
    errno = 0;
    std::FILE* out = std::fopen(file_path, "wb");
    if (out == nullptr) driver::error_errno("Can't create file", "(err=5).", errno);
    // The file's bytes go out in one write; a stream buffer would only split them (and ask fstat for its
    // size first).
    (void)std::setvbuf(out, nullptr, _IONBF, 0);
    note_file_written(working_path, record.name);

    payload::heap_bytes stored = payload::allocate_bytes(record.stored_size + std::size_t{1});
    payload::heap_bytes file = payload::allocate_bytes(record.file_size + std::size_t{1});
    if (!stored || !file) driver::error("Memory allocation error (err=3).");
    payload::load_stored_bytes(record, stored.get(), crc_table);
    if (record.method == payload::METHOD_STORED) {
        std::memcpy(file.get(), stored.get(), record.file_size);
    } else if (record.file_size != 0) {
        // An empty file needs no decoder; its stored bytes were still read and checked.
        inflate_entry(record, stored.get(), file.get(), counters);
    }
    payload::verify_file_bytes(record, file.get(), crc_table);
    write_file_bytes(out, file.get(), record.file_size);
    stored.reset();
    file.reset();
    // Time and mode through the open, flushed file: set by path after the close, they would follow
    // whatever stood at the path by then (a link put there in that moment). Their results do not matter.
    if (record.mtime != 0) {
        const timespec times[2] = {{.tv_sec = record.mtime, .tv_nsec = 0},
                                   {.tv_sec = record.mtime, .tv_nsec = 0}};
        (void)futimens(fileno(out), times);
        (void)fchmod(fileno(out), record.mode);
    }
    if (std::fclose(out) != 0) driver::error_errno("Error saving data", "(err=1).", errno);
    std::free(file_path);
}

}  // namespace

int ends_with_slash(const char* text) {
    const std::size_t n = std::strlen(text);
    return n != 0 && text[n - 1] == '/' ? 1 : 0;
}

void install_files() {
    const payload::crc16_table_ptr table(payload::make_crc16_table());
    if (!table) driver::error("Insufficient memory (err=3).");
    std::fputs("\n\n.... Installing files ....\n\n", stderr);
    show_progress(nullptr, 0, 0);
    reset_name_index();

    install_counters counters{.file_count = payload::header_u32(driver::header, payload::HEADER_FILE_COUNT),
                              .total_size = payload::header_u32(driver::header, payload::HEADER_TOTAL_SIZE)};
    payload::record_buffer buffer{};
    for (std::uint32_t i = 0; i < counters.file_count; ++i) {
        const payload::file_record record = payload::next_file_record(buffer, table.get());
        copy_target_dir();
        // Through the name index (name_index.h), which leaves what the walk of remove_named_entries would.
        if (record.name[0] != '\0') remove_same_named(working_path, last_component(record.name));
        install_file(record, table.get(), counters);
        if (record.method != payload::METHOD_DELETE) {
            counters.bytes_done += record.file_size;
            show_finished_progress(record.name, counters.byte_percent(counters.bytes_done),
                                   counters.file_percent());
        }
        counters.percent_base += 100;
    }
    show_progress(nullptr, 0, 0);
}

}  // namespace install
