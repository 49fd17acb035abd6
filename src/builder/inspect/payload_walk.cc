// The payload walk: record, layout and bytes of each entry in the installer's order.
#include "builder/inspect/payload_walk.h"

#include <cstdio>

namespace builder {
namespace {

bool failed(const entry_problem& problem) {
    return problem.corrupt != payload::CORRUPT_NONE;
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

std::optional<walk_stop> walk_payload(installer_payload& in, const entry_visitor& visit, walk_layout layout) {
    const std::uint32_t count = payload::header_u32(in.header, payload::HEADER_FILE_COUNT);
    const bool lays_out_first = layout.tree != nullptr && layout.order == layout_order::before_bytes;
    const bool lays_out_last = layout.tree != nullptr && layout.order == layout_order::after_bytes;
    payload::record_buffer buffer{};
    for (std::uint64_t index = 1; index <= count; ++index) {
        const auto record_offset = static_cast<std::uint64_t>(ftello(in.file.get()));
        payload::file_record record{};
        const entry_problem unread = read_record(in, buffer, record);
        if (failed(unread)) return walk_stop{index, record_offset, std::nullopt, unread};

        walked_entry entry(in, index, record, record_offset);
        const auto stop = [&](const entry_problem& problem) {
            return walk_stop{index, record_offset, record.name, problem};
        };
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

}  // namespace builder
