// The payload walk: record, layout and bytes of each entry in the installer's order.
#include "builder/inspect/payload_walk.h"

#include <array>
#include <cstdio>

#include "builder/util/error.h"

namespace builder {
namespace {

bool failed(const entry_problem& problem) {
    return problem.corrupt != payload::CORRUPT_NONE;
}

// The header's totals that bound the records, each the sum of one field over every entry.
struct header_total {
    std::size_t offset;
    const char* name;
    std::uint32_t payload::file_record::*field;
    const char* field_name;
    const char* sum_name;
};

constexpr header_total WALK_TOTALS[] = {
    {payload::HEADER_TOTAL_SIZE, "total size", &payload::file_record::file_size, "file size", "file sizes"},
    {payload::HEADER_TOTAL_STORED_SIZE, "total stored size", &payload::file_record::stored_size,
     "stored size", "stored sizes"},
    {payload::HEADER_TOTAL_RECORD_SIZE, "total record size", &payload::file_record::record_length,
     "record length", "record lengths"},
};

// The sums of the records read so far, in the order of WALK_TOTALS: 64 bits, for 2^32 records at most.
using record_sums = std::array<std::uint64_t, std::size(WALK_TOTALS)>;

// Adds `record` to the sums; the first total it takes a sum past is the problem.
entry_problem add_to_totals(const installer_payload& in, const payload::file_record& record,
                            record_sums& sums) {
    entry_problem problem{};
    for (std::size_t i = 0; i < std::size(WALK_TOTALS); ++i) {
        const header_total& total = WALK_TOTALS[i];
        sums[i] += record.*total.field;
        const std::uint32_t limit = payload::header_u32(in.header, total.offset);
        if (failed(problem) || sums[i] <= limit) continue;
        problem = {PROBLEM_TOTALS, std::string(total.field_name) + " " + std::to_string(record.*total.field) +
                                       " takes the entries' " + total.sum_name + " to " +
                                       std::to_string(sums[i]) + ", past the header's " + total.name + " " +
                                       std::to_string(limit) + " (offset " + std::to_string(total.offset) +
                                       "); the header does not describe these records"};
    }
    return problem;
}

entry_problem lay_out(const walk_layout& layout, const walked_entry& entry) {
    file_state written = entry.written;
    written.entry = entry.index;
    const layout_outcome outcome = apply_entry(*layout.tree, layout.removal, entry.record.name,
                                               entry.record.method == payload::METHOD_DELETE, written);
    if (outcome.installer_message.empty()) return {};
    return {PROBLEM_LAYOUT, outcome.what, outcome.installer_message};
}

}  // namespace

entry_problem walked_entry::read_bytes(const entry_output& output) {
    if (bytes_done_) return bytes_problem_;
    bytes_done_ = true;
    if (record.method != payload::METHOD_DELETE) bytes_problem_ = stream_entry_bytes(in_, record, output);
    return bytes_problem_;
}

entry_problem walked_entry::finish_bytes() {
    if (bytes_done_) return bytes_problem_;
    bytes_done_ = true;
    bytes_problem_ = skip_stored_bytes(in_, record);
    return bytes_problem_;
}

std::string describe_stop(const walk_stop& stop) {
    return describe_entry_problem(stop.index, stop.name ? stop.name->c_str() : nullptr, stop.problem);
}

// One pass over the entries, the records held to the header's totals when `check_totals`.
struct entry_walk {
    static std::optional<walk_stop> pass(installer_payload& in, const entry_visitor& visit,
                                         walk_layout layout, bool check_totals);
};

std::optional<walk_stop> entry_walk::pass(installer_payload& in, const entry_visitor& visit,
                                          walk_layout layout, bool check_totals) {
    const std::uint32_t count = payload::header_u32(in.header, payload::HEADER_FILE_COUNT);
    const bool lays_out_first = layout.tree != nullptr && layout.order == layout_order::before_bytes;
    const bool lays_out_last = layout.tree != nullptr && layout.order == layout_order::after_bytes;
    payload::record_buffer buffer{};
    record_sums sums{};
    for (std::uint64_t index = 1; index <= count; ++index) {
        const auto record_offset = static_cast<std::uint64_t>(ftello(in.file.get()));
        payload::file_record record{};
        const entry_problem unread = read_record(in, buffer, record);
        if (failed(unread)) return walk_stop{index, record_offset, std::nullopt, unread};

        walked_entry entry(in, index, record, record_offset);
        const auto stop = [&](const entry_problem& problem) {
            return walk_stop{index, record_offset, record.name, problem};
        };
        if (check_totals) {
            // Stored bytes cut short are the installer's own stop, and say more.
            const entry_problem beyond = add_to_totals(in, record, sums);
            if (failed(beyond) && record.stored_size <= bytes_left(in)) return stop(beyond);
        }
        if (lays_out_first) {
            if (const entry_problem problem = lay_out(layout, entry); failed(problem)) return stop(problem);
        }
        visit(entry);
        entry_problem problem = entry.finish_bytes();
        if (lays_out_last) {
            if (const entry_problem misplaced = lay_out(layout, entry); failed(misplaced))
                problem = misplaced;
        }
        if (failed(problem)) return stop(problem);
    }
    return std::nullopt;
}

std::optional<walk_stop> walk_payload(installer_payload& in, const entry_visitor& visit, walk_layout layout,
                                      walk_totals totals) {
    if (totals == walk_totals::first) {
        // Records only: reading them costs a seek per entry, whatever their bytes claim. Any other
        // problem is left to the walk itself, which meets the problems in the installer's order.
        const off_t first_record = ftello(in.file.get());
        auto stop = entry_walk::pass(
            in, [](walked_entry&) {}, {}, true);
        if (stop && stop->problem.corrupt == PROBLEM_TOTALS) return stop;
        if (fseeko(in.file.get(), first_record, SEEK_SET) != 0) fail_errno("cannot read the installer");
    }
    return entry_walk::pass(in, visit, layout, totals != walk_totals::unchecked);
}

}  // namespace builder
