// The writer. The header block comes first but its totals are known only once every entry is encoded, so
// a zero block holds its place until the end.
#include "builder/installer_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "builder/builder_error.h"
#include "builder/entry_encoder.h"
#include "builder/header_writer.h"
#include "builder/input_file.h"
#include "builder/output_file.h"
#include "builder/record_writer.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace builder {
namespace {

constexpr std::size_t WRITER_COPY_CHUNK = 1 << 16;

struct fd_holder {
    int fd = -1;
    ~fd_holder() {
        if (fd >= 0) close(fd);
    }
};

// The running header totals; the payload counts each in 32 bits.
struct payload_totals {
    std::uint64_t file_size = 0;
    std::uint64_t stored_size = 0;
    std::uint64_t record_size = 0;

    static std::uint32_t narrow(std::uint64_t value, const char* what) {
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            throw error(std::string("the ") + what + " come to " + std::to_string(value) +
                        ", more than a 32-bit payload field holds");
        }
        return static_cast<std::uint32_t>(value);
    }
};

// A stub is a program of a few megabytes; anything far larger is the wrong file.
constexpr std::uint64_t WRITER_STUB_MAX_SIZE = std::uint64_t{256} << 20;

std::uint64_t copy_stub(const std::string& stub_path, output_file& out) {
    const input_file stub = open_regular_input(stub_path, "", "stub ", WRITER_STUB_MAX_SIZE);
    std::vector<unsigned char> chunk(WRITER_COPY_CHUNK);
    std::uint64_t size = 0;
    // No further than the size it had when opened, should it grow meanwhile.
    while (size < stub.size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), stub.size - size));
        const std::size_t got = std::fread(chunk.data(), 1, want, stub.file.get());
        out.write(chunk.data(), got);
        size += got;
        if (got < want) break;
    }
    if (std::ferror(stub.file.get())) fail_errno("cannot read stub " + in_quotes(stub_path));
    // The installer never looks for its payload at offset 0.
    if (size == 0) throw error("stub " + in_quotes(stub_path) + " is empty");
    return size;
}

// The whole file, read once; the bytes must still be what the scan saw.
std::unique_ptr<unsigned char[]> read_entry(int root_fd, const planned_entry& entry) {
    fd_holder file;
    // O_NONBLOCK: should a fifo have taken the file's place since the scan, opening it must not hang.
    file.fd = openat(root_fd, entry.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) fail_errno("cannot open " + in_quotes(entry.name));
    struct stat st {};
    if (fstat(file.fd, &st) != 0) fail_errno("cannot examine " + in_quotes(entry.name));
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != entry.size) {
        throw error(in_quotes(entry.name) + " changed while the installer was being built");
    }
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(entry.size == 0 ? 1 : entry.size);
    std::size_t done = 0;
    while (done < entry.size) {
        const ssize_t got = read(file.fd, bytes.get() + done, entry.size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail_errno("cannot read " + in_quotes(entry.name));
        if (got == 0) throw error(in_quotes(entry.name) + " changed while the installer was being built");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

// The stub may itself carry a payload; the installer would then find that one first.
void check_payload_is_found(const std::string& path, std::uint64_t header_offset) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) fail_errno("cannot reread " + in_quotes(path));
    payload::header_block header{};
    std::uint64_t found_at = 0;
    const payload::header_search result = payload::locate_header_block(in.get(), header, &found_at);
    if (result == payload::header_search::found && found_at == header_offset) return;
    throw error("the installer would not find the new payload at offset " + std::to_string(header_offset) +
                ": the stub already holds a header block in front of it");
}

// One file's record and stored bytes.
void write_file_entry(int root_fd, const planned_entry& entry, const encode_options& options,
                      const unsigned char* crc_table, payload_totals& totals, output_file& out) {
    const auto bytes = read_entry(root_fd, entry);
    const std::span<const unsigned char> file_bytes(bytes.get(), entry.size);
    const encoded_entry encoded = encode_entry(file_bytes, options);
    const std::uint64_t stored_size = encoded.stored.size();
    const std::vector<unsigned char> record = serialise_record(
        record_fields{
            .data_crc = payload::crc16_update(crc_table, 0, file_bytes.data(), entry.size),
            .stored_crc =
                payload::crc16_update(crc_table, 0, encoded.stored.data(),
                                      payload_totals::narrow(stored_size, "stored bytes of one file")),
            .file_size = entry.size,
            .stored_size = static_cast<std::uint32_t>(stored_size),
            .method = encoded.method,
            .record_offset = payload_totals::narrow(totals.record_size + totals.stored_size, "records"),
            .mtime = entry.mtime,
            .mode = entry.mode,
            .name = entry.name,
        },
        crc_table);
    out.write(record.data(), record.size());
    out.write(encoded.stored.data(), encoded.stored.size());
    totals.file_size += entry.size;
    totals.stored_size += stored_size;
    totals.record_size += record.size();
}

}  // namespace

build_summary write_installer(const build_settings& settings, const payload_plan& plan,
                              build_observer* observer) {
    const payload::crc16_table_ptr crc_table(payload::make_crc16_table());
    if (!crc_table) throw error("out of memory");
    fd_holder root;
    root.fd = open(settings.source_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root.fd < 0) fail_errno("cannot open source directory " + in_quotes(settings.source_dir));

    output_file out(settings.output);
    const std::uint64_t stub_size = copy_stub(settings.stub, out);
    const std::uint64_t header_offset =
        (stub_size + payload::HEADER_ALIGNMENT - 1) / payload::HEADER_ALIGNMENT * payload::HEADER_ALIGNMENT;
    const std::vector<unsigned char> padding(header_offset - stub_size, 0);
    out.write(padding.data(), padding.size());
    const payload::header_block placeholder{};
    out.write(placeholder.data(), placeholder.size());

    payload_totals totals;
    const encode_options options{.force_store = settings.store, .level = settings.level};
    std::uint32_t entries_done = 0;
    for (const planned_entry& entry : plan.entries) {
        if (entry.is_delete) {
            const std::vector<unsigned char> record = serialise_record(
                record_fields{
                    .method = payload::METHOD_DELETE,
                    .record_offset =
                        payload_totals::narrow(totals.record_size + totals.stored_size, "records"),
                    .mode = 0,
                    .name = entry.name,
                },
                crc_table.get());
            out.write(record.data(), record.size());
            totals.record_size += record.size();
        } else {
            write_file_entry(root.fd, entry, options, crc_table.get(), totals, out);
        }
        ++entries_done;
        if (observer != nullptr) {
            observer->entry_written(entries_done, totals.file_size, totals.stored_size);
        }
    }

    const header_fields fields{
        .file_count = payload_totals::narrow(plan.entries.size(), "entries"),
        .total_size = payload_totals::narrow(totals.file_size, "file sizes"),
        .total_stored_size = payload_totals::narrow(totals.stored_size, "stored sizes"),
        .total_record_size = payload_totals::narrow(totals.record_size, "record lengths"),
        .product = settings.product,
        .version = settings.version,
        .platform = settings.platform,
        .build_time = settings.build_time,
    };
    const payload::header_block header = make_header_block(fields, crc_table.get());
    out.seek(header_offset);
    out.write(header.data(), header.size());
    if (std::fflush(out.stream()) != 0) fail_errno("cannot write " + in_quotes(out.temp_path()));
    check_payload_is_found(out.temp_path(), header_offset);
    out.commit();
    return build_summary{header_offset, fields.file_count, fields.total_size, fields.total_stored_size,
                         payload::HEADER_SIZE + totals.record_size + totals.stored_size};
}

}  // namespace builder
