// Writing records and their stored bytes, and the header block last.
#include "builder/pack/payload_writer.h"

#include <vector>

#include "builder/format/field_limits.h"
#include "builder/format/record_writer.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace builder {

payload_writer::payload_writer(output_file& out, std::uint64_t stub_size) : out_(out) {
    header_offset_ =
        (stub_size + payload::HEADER_ALIGNMENT - 1) / payload::HEADER_ALIGNMENT * payload::HEADER_ALIGNMENT;
    const std::vector<unsigned char> padding(header_offset_ - stub_size, 0);
    out_.write(padding.data(), padding.size());
    const payload::header_block placeholder{};
    out_.write(placeholder.data(), placeholder.size());
}

void payload_writer::write_record(const record_fields& fields) {
    const std::vector<unsigned char> record = serialise_record(fields);
    out_.write(record.data(), record.size());
    totals_.record_size += record.size();
}

void payload_writer::write_file(const planned_entry& entry, const prepared_entry& prepared) {
    write_record(record_fields{
        .data_crc = prepared.data_crc,
        .stored_crc = prepared.stored_crc,
        .file_size = prepared.file_size,
        .stored_size = static_cast<std::uint32_t>(prepared.stored.size()),
        .method = prepared.method,
        .record_offset = narrow_payload_field(totals_.record_size + totals_.stored_size, "records"),
        .mtime = entry.mtime,
        .mode = entry.mode,
        .name = entry.name,
    });
    out_.write(prepared.stored.data(), prepared.stored.size());
    totals_.file_size += prepared.file_size;
    totals_.stored_size += prepared.stored.size();
}

void payload_writer::write_delete(const planned_entry& entry) {
    // The installer reads neither time nor mode of a delete entry.
    write_record(record_fields{
        .method = payload::METHOD_DELETE,
        .record_offset = narrow_payload_field(totals_.record_size + totals_.stored_size, "records"),
        .mode = 0,
        .name = entry.name,
    });
}

void payload_writer::write_touch(const planned_entry& entry) {
    // No bytes and no size: the file at the path keeps its own.
    write_record(record_fields{
        .method = payload::METHOD_TOUCH,
        .record_offset = narrow_payload_field(totals_.record_size + totals_.stored_size, "records"),
        .mtime = entry.mtime,
        .mode = entry.mode,
        .name = entry.name,
    });
}

header_fields payload_writer::finish(const build_settings& settings, std::size_t entry_count) {
    const header_fields fields{
        .file_count = narrow_payload_field(entry_count, "entries"),
        .total_size = narrow_payload_field(totals_.file_size, "file sizes"),
        .total_stored_size = narrow_payload_field(totals_.stored_size, "stored sizes"),
        .total_record_size = narrow_payload_field(totals_.record_size, "record lengths"),
        .product = settings.product,
        .version = settings.version,
        .platform = settings.platform,
        .build_time = settings.build_time,
    };
    const payload::header_block header = make_header_block(fields);
    out_.seek(header_offset_);
    out_.write(header.data(), header.size());
    return fields;
}

}  // namespace builder
