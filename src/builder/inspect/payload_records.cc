// The one pass over an installer's records, held to the header's totals.
#include "builder/inspect/payload_records.h"

#include <cstdio>

namespace builder {
namespace {

// The header's totals that bound the records, each the sum of one field over every entry.
struct header_total {
    std::size_t offset;
    const char* name;
    std::uint32_t payload::file_record::*field;
    std::uint64_t record_sums::*sum;
    const char* field_name;
    const char* sum_name;
};

constexpr header_total RECORD_TOTALS[] = {
    {payload::HEADER_TOTAL_SIZE, "total size", &payload::file_record::file_size, &record_sums::file_size,
     "file size", "file sizes"},
    {payload::HEADER_TOTAL_STORED_SIZE, "total stored size", &payload::file_record::stored_size,
     &record_sums::stored_size, "stored size", "stored sizes"},
    {payload::HEADER_TOTAL_RECORD_SIZE, "total record size", &payload::file_record::record_length,
     &record_sums::record_length, "record length", "record lengths"},
};

// Adds `record` to the sums; the first total it takes a sum past is the problem.
entry_problem add_to_sums(const installer_payload& in, const payload::file_record& record,
                          record_sums& sums) {
    entry_problem problem{};
    for (const header_total& total : RECORD_TOTALS) {
        std::uint64_t& sum = sums.*total.sum;
        sum += record.*total.field;
        const std::uint32_t limit = payload::header_u32(in.header, total.offset);
        if (problem.found() || sum <= limit) continue;
        problem = {problem_kind::totals,
                   {},
                   std::string(total.field_name) + " " + std::to_string(record.*total.field) +
                       " takes the entries' " + total.sum_name + " to " + std::to_string(sum) +
                       ", past the header's " + total.name + " " + std::to_string(limit) + " (offset " +
                       std::to_string(total.offset) + "); the header does not describe these records"};
    }
    return problem;
}

}  // namespace

std::string describe_stop(const walk_stop& stop) {
    return describe_entry_problem(stop.index, stop.name ? stop.name->c_str() : nullptr, stop.problem);
}

payload_records read_payload_records(installer_payload& in, bool check_totals,
                                     payload::record_methods methods) {
    payload_records read;
    const std::uint32_t count = payload::header_u32(in.header, payload::HEADER_FILE_COUNT);
    payload::record_buffer buffer{};
    for (std::uint64_t index = 1; index <= count; ++index) {
        const auto record_offset = static_cast<std::uint64_t>(ftello(in.file.get()));
        payload::file_record record{};
        const entry_problem unread = read_record(in, buffer, record, methods);
        if (unread.found()) {
            read.stop = walk_stop{index, record_offset, std::nullopt, unread};
            break;
        }
        const auto stop = [&](const entry_problem& problem) {
            read.stop = walk_stop{index, record_offset, record.name, problem};
        };
        const entry_problem beyond = add_to_sums(in, record, read.sums);
        if (check_totals && beyond.found() && record.stored_size <= bytes_left(in)) {
            stop(beyond);
            break;
        }
        read.entries.push_back({record, record.name, record_offset});
        read.entries.back().record.name = nullptr;  // the buffer is reused; `name` keeps the text
        if (record.method == payload::METHOD_LINK && record.stored_size <= bytes_left(in)) {
            std::string& text = read.entries.back().link_target;
            text.resize(record.stored_size);
            text.resize(std::fread(text.data(), 1, text.size(), in.file.get()));
            continue;
        }
        if (const entry_problem skipped = skip_stored_bytes(in, record); skipped.found()) {
            stop(skipped);
            break;
        }
    }
    return read;
}

}  // namespace builder
