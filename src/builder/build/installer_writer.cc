// The writer. The header block comes first but its totals are known only once every entry is encoded, so
// a zero block holds its place until the end.
#include "builder/build/installer_writer.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "builder/build/entry_encoder.h"
#include "builder/build/parallel_encoder.h"
#include "builder/format/header_writer.h"
#include "builder/format/record_writer.h"
#include "builder/format/stub_license.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"
#include "builder/util/input_file.h"
#include "builder/util/output_file.h"
#include "builder/util/sha256.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace builder {
namespace {

constexpr std::size_t WRITER_COPY_CHUNK = 1 << 16;
// What entries ahead of the writer may hold beyond jobs times the largest file.
constexpr std::uint64_t WRITER_AHEAD_SLACK = std::uint64_t{16} << 20;

// The running header totals; the payload counts each in 32 bits (narrow_payload_field).
struct payload_totals {
    std::uint64_t file_size = 0;
    std::uint64_t stored_size = 0;
    std::uint64_t record_size = 0;
};

// A stub is a program of a few megabytes; anything far larger is the wrong file.
constexpr std::uint64_t WRITER_STUB_MAX_SIZE = std::uint64_t{256} << 20;

// The stub is read whole: its licence region must be found, and perhaps rewritten, before it is copied.
std::uint64_t copy_stub(const build_settings& settings, output_file& out) {
    const std::string& stub_path = settings.stub;
    const input_file stub = open_regular_input(stub_path, "", "stub ", WRITER_STUB_MAX_SIZE);
    std::string bytes(static_cast<std::size_t>(stub.size), '\0');
    // No further than the size it had when opened, should it grow meanwhile.
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stub.file.get()));
    if (std::ferror(stub.file.get())) fail_errno("cannot read stub " + in_quotes(stub_path));
    // The installer never looks for its payload at offset 0.
    if (bytes.empty()) throw error("stub " + in_quotes(stub_path) + " is empty");
    // Any program would run in front of a payload; only the installer's own stub ever reads it.
    const stub_license region = find_stub_license(bytes);
    require_stub(region, "stub " + in_quotes(stub_path));
    if (!settings.license_text.empty()) {
        write_stub_license(bytes, region, settings.license_text, settings.license_file);
    } else if (region.found == stub_license::state::damaged) {
        // verify would refuse the result: the installer would quietly show its built-in agreement.
        throw error("stub " + in_quotes(stub_path) + ": its licence region is damaged (" +
                    license_damage_text(region.check) + "); --license would replace its text");
    }
    out.write(bytes.data(), bytes.size());
    return bytes.size();
}

// File systems whose files report a size that is not their length: /proc gives 0 for most files, /sys
// 4096, and their contents are made when they are read.
bool size_is_unreliable(int fd) {
    static constexpr decltype(statfs::f_type) UNRELIABLE_SIZE_FILE_SYSTEMS[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,        DEBUGFS_MAGIC,       TRACEFS_MAGIC,
        SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, BPF_FS_MAGIC,
    };
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0) return false;
    return std::find(std::begin(UNRELIABLE_SIZE_FILE_SYSTEMS), std::end(UNRELIABLE_SIZE_FILE_SYSTEMS),
                     fs.f_type) != std::end(UNRELIABLE_SIZE_FILE_SYSTEMS);
}

struct file_bytes {
    std::unique_ptr<unsigned char[]> bytes;
    std::uint32_t size = 0;
};

// Reads into `bytes` (of `capacity`, grown as needed) until the end of the file or until `limit` is
// passed; returns the count read. A short read that brings the count to `expected` is taken for the
// end: a regular file reads short only there, which spares the read that would return 0.
std::uint64_t read_until(int fd, std::unique_ptr<unsigned char[]>& bytes, std::uint64_t& capacity,
                         std::uint64_t done, std::uint64_t limit, std::uint64_t expected,
                         const std::string& named) {
    for (;;) {
        if (done == capacity) {
            if (done > limit) return done;
            capacity = std::min(capacity * 2, PAYLOAD_FIELD_MAX + 1);
            auto larger = std::make_unique_for_overwrite<unsigned char[]>(capacity);
            std::memcpy(larger.get(), bytes.get(), done);
            bytes = std::move(larger);
        }
        const std::uint64_t wanted = capacity - done;
        const ssize_t got = read(fd, bytes.get() + done, wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail_errno("cannot read " + named);
        if (got == 0) return done;
        done += static_cast<std::uint64_t>(got);
        if (done == expected && static_cast<std::uint64_t>(got) < wanted) return done;
    }
}

// The whole file, read once to its end. One byte more than the scan saw is asked for, so that a file
// that has grown is noticed; a file whose length differs from the scan is refused, unless its file
// system is one whose sizes are not lengths: then it is read to its end, up to the payload's limit of
// 4 GiB - 1 bytes, and packed as read. The file system is asked only then, to spare every other file
// the call.
file_bytes read_entry(int root_fd, const planned_entry& entry, bool strict,
                      std::vector<std::string>& warnings) {
    const std::string named = shown(entry.name);
    fd_holder file;
    // O_NONBLOCK: should a fifo have taken the file's place since the scan, opening it must not hang.
    file.fd = openat(root_fd, entry.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) fail_errno("cannot open " + named);
    struct stat st {};
    if (fstat(file.fd, &st) != 0) fail_errno("cannot examine " + named);
    const std::string changed = named + " changed while the installer was being built";
    if (!S_ISREG(st.st_mode)) throw error(changed + ": it is no longer a regular file");
    if (static_cast<std::uint64_t>(st.st_size) != entry.size && !size_is_unreliable(file.fd)) {
        throw error(changed + ": " + std::to_string(entry.size) + " bytes when the tree was scanned, " +
                    std::to_string(st.st_size) + " now");
    }
    std::uint64_t capacity = std::uint64_t{entry.size} + 1;
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    std::uint64_t done = read_until(file.fd, bytes, capacity, 0, entry.size, entry.size, named);
    if (done == entry.size) return file_bytes{std::move(bytes), entry.size};
    if (!size_is_unreliable(file.fd)) {
        if (done > entry.size) {
            throw error(changed + ": it has grown beyond the " + std::to_string(entry.size) +
                        " bytes it held when the tree was scanned");
        }
        throw error(changed + ": it ended after " + std::to_string(done) + " of the " +
                    std::to_string(entry.size) + " bytes it held when the tree was scanned");
    }
    done = read_until(file.fd, bytes, capacity, done, PAYLOAD_FIELD_MAX, PAYLOAD_FIELD_MAX + 1, named);
    if (done > PAYLOAD_FIELD_MAX)
        throw error(named + " reads on past 4 GiB - 1 bytes, more than a payload holds for one file");
    std::string warning = named + ": its file system gives its size as " + std::to_string(entry.size) +
                          " bytes, which is not its length; packed the " + std::to_string(done) +
                          " bytes read";
    if (strict) throw error(warning + " (--strict)");
    warnings.push_back(std::move(warning));
    return file_bytes{std::move(bytes), static_cast<std::uint32_t>(done)};
}

// The stub may itself carry a payload; the installer would then find that one first.
void check_payload_is_found(const output_file& out, std::uint64_t header_offset) {
    const auto in = out.read_back();
    payload::header_block header{};
    std::uint64_t found_at = 0;
    const payload::header_search result = payload::try_find_header_block(in.get(), header, &found_at);
    if (result == payload::header_search::found && found_at == header_offset) return;
    throw error("the installer would not find the new payload at offset " + std::to_string(header_offset) +
                ": the stub already holds a header block in front of it");
}

// One file read, encoded and checksummed, ready for its record; prepared on any thread, since everything
// it uses is its own or only read.
struct prepared_entry {
    std::unique_ptr<unsigned char[]> file;  // kept only while the stored bytes are the file's own
    std::vector<unsigned char> compressed;
    std::span<const unsigned char> stored;  // into one of the two: their heap buffers survive moves
    std::uint32_t method = 0;
    std::uint32_t file_size = 0;
    std::uint16_t data_crc = 0;
    std::uint16_t stored_crc = 0;
    std::vector<std::string> warnings;
};

prepared_entry prepare_file_entry(int root_fd, const planned_entry& entry, const encode_options& options,
                                  bool strict) {
    prepared_entry prepared;
    file_bytes read = read_entry(root_fd, entry, strict, prepared.warnings);
    const std::span<const unsigned char> file_bytes(read.bytes.get(), read.size);
    encoded_entry encoded = encode_entry(file_bytes, options);
    prepared.method = encoded.method;
    prepared.file_size = read.size;
    prepared.data_crc = payload::crc16_update(0, file_bytes.data(), read.size);
    prepared.stored_crc = payload::crc16_update(
        0, encoded.stored.data(), narrow_payload_field(encoded.stored.size(), "stored bytes of one file"));
    // Only one of the two forms is kept until the entry is written: entries wait their turn in memory.
    if (encoded.stored.data() == file_bytes.data()) {
        prepared.file = std::move(read.bytes);
        prepared.stored = file_bytes;
    } else {
        prepared.compressed = std::move(encoded.owned);
        prepared.stored = prepared.compressed;
    }
    return prepared;
}

// One file's record and stored bytes.
void write_file_entry(const planned_entry& entry, prepared_entry& prepared, payload_totals& totals,
                      output_file& out, build_summary& summary) {
    for (std::string& warning : prepared.warnings) summary.warnings.push_back(std::move(warning));
    const std::uint64_t stored_size = prepared.stored.size();
    const std::vector<unsigned char> record = serialise_record(record_fields{
        .data_crc = prepared.data_crc,
        .stored_crc = prepared.stored_crc,
        .file_size = prepared.file_size,
        .stored_size = static_cast<std::uint32_t>(stored_size),
        .method = prepared.method,
        .record_offset = narrow_payload_field(totals.record_size + totals.stored_size, "records"),
        .mtime = entry.mtime,
        .mode = entry.mode,
        .name = entry.name,
    });
    out.write(record.data(), record.size());
    out.write(prepared.stored.data(), prepared.stored.size());
    totals.file_size += prepared.file_size;
    totals.stored_size += stored_size;
    totals.record_size += record.size();
    prepared = prepared_entry{};  // its memory is free for the entries that follow
}

// The line `sha256sum -c` reads, run in OUTPUT's directory: the digest, two spaces, the file's own name.
// A name holding a backslash or a line feed is written as sha256sum writes it: the line starts with a
// backslash, and both are escaped.
std::string checksum_line(const output_file& out) {
    const auto in = out.read_back();
    sha256_state state;
    sha256_init(state);
    std::vector<unsigned char> chunk(WRITER_COPY_CHUNK);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
        sha256_update(state, chunk.data(), got);
        if (got < chunk.size()) break;
    }
    if (std::ferror(in.get())) fail_errno("cannot reread " + shown(out.path()));
    const std::string name = std::filesystem::path(out.path()).filename().string();
    std::string escaped;
    for (const char c : name) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    const std::string prefix = escaped == name ? "" : "\\";
    return prefix + sha256_hex(sha256_final(state)) + "  " + escaped + "\n";
}

}  // namespace

build_summary write_installer(const build_settings& settings, const payload_plan& plan,
                              build_observer* observer) {
    fd_holder root;
    root.fd = open(settings.source_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root.fd < 0) fail_errno("cannot open source directory " + in_quotes(settings.source_dir));

    output_file out(settings.output);
    const std::uint64_t stub_size = copy_stub(settings, out);
    const std::uint64_t header_offset =
        (stub_size + payload::HEADER_ALIGNMENT - 1) / payload::HEADER_ALIGNMENT * payload::HEADER_ALIGNMENT;
    const std::vector<unsigned char> padding(header_offset - stub_size, 0);
    out.write(padding.data(), padding.size());
    const payload::header_block placeholder{};
    out.write(placeholder.data(), placeholder.size());

    build_summary summary;
    payload_totals totals;
    const encode_options options{.force_store = settings.store, .level = settings.level};
    std::uint32_t entries_done = 0;
    // Files are read and encoded ahead on settings.jobs threads, and written here in payload order; an
    // entry's failure is thrown when its turn comes, so that messages are those of a build on one thread.
    // Entries ahead of the writer hold at most jobs times the largest file plus WRITER_AHEAD_SLACK bytes
    // of files (and their compressed forms), however many small files that is.
    std::vector<prepared_entry> ready(parallel_encoder::window_for(settings.jobs));
    std::uint64_t largest = 0;
    for (const planned_entry& entry : plan.entries) largest = std::max<std::uint64_t>(largest, entry.size);
    parallel_encoder pool(
        plan.entries.size(), settings.jobs,
        [&](std::size_t index) {
            const planned_entry& entry = plan.entries[index];
            if (!entry.is_delete) {
                ready[index % ready.size()] = prepare_file_entry(root.fd, entry, options, settings.strict);
            }
        },
        [&](std::size_t index) { return std::uint64_t{plan.entries[index].size}; },
        settings.jobs * largest + WRITER_AHEAD_SLACK);
    for (std::size_t index = 0; index < plan.entries.size(); ++index) {
        const planned_entry& entry = plan.entries[index];
        pool.wait_for(index);
        if (entry.is_delete) {
            const std::vector<unsigned char> record = serialise_record(record_fields{
                .method = payload::METHOD_DELETE,
                .record_offset = narrow_payload_field(totals.record_size + totals.stored_size, "records"),
                .mode = 0,
                .name = entry.name,
            });
            out.write(record.data(), record.size());
            totals.record_size += record.size();
        } else {
            write_file_entry(entry, ready[index % ready.size()], totals, out, summary);
        }
        ++entries_done;
        if (observer != nullptr) {
            observer->entry_written(entries_done, totals.file_size, totals.stored_size);
        }
    }

    const header_fields fields{
        .file_count = narrow_payload_field(plan.entries.size(), "entries"),
        .total_size = narrow_payload_field(totals.file_size, "file sizes"),
        .total_stored_size = narrow_payload_field(totals.stored_size, "stored sizes"),
        .total_record_size = narrow_payload_field(totals.record_size, "record lengths"),
        .product = settings.product,
        .version = settings.version,
        .platform = settings.platform,
        .build_time = settings.build_time,
    };
    const payload::header_block header = make_header_block(fields);
    out.seek(header_offset);
    out.write(header.data(), header.size());
    out.finish();
    check_payload_is_found(out, header_offset);
    if (settings.checksum) {
        output_file sum(settings.output + ".sha256");
        const std::string line = checksum_line(out);
        sum.write(line.data(), line.size());
        sum.finish();
        commit_outputs(out, &sum);
    } else {
        commit_outputs(out);
    }
    summary.header_offset = header_offset;
    summary.file_count = fields.file_count;
    summary.total_size = fields.total_size;
    summary.total_stored_size = fields.total_stored_size;
    summary.payload_size = payload::HEADER_SIZE + totals.record_size + totals.stored_size;
    return summary;
}

}  // namespace builder
