// The payload walk: layout and bytes of each entry in the installer's order, over records read once.
#include "builder/inspect/payload_walk.h"

#include <cstdio>

#include "builder/inspect/stub_regions.h"

namespace builder {
namespace {

entry_problem lay_out(const walk_layout& layout, const payload::file_record& record, std::uint64_t index,
                      file_state written) {
    written.entry = index;
    // Before its bytes are read a link's text is unknown, but not that the node is a link.
    if (record.method == payload::METHOD_LINK && !written.link_target) written.link_target.emplace();
    if (record.method == payload::METHOD_TOUCH) {
        const layout_outcome touched =
            apply_touch(*layout.tree, record.name, record.mtime, record.mode, layout.release_known);
        if (touched.installer_message.empty()) return {};
        return {problem_kind::layout, {}, touched.what, touched.installer_message};
    }
    const layout_outcome outcome = apply_entry(*layout.tree, layout.removal, record.name,
                                               record.method == payload::METHOD_DELETE, written);
    if (outcome.installer_message.empty()) return {};
    return {problem_kind::layout, {}, outcome.what, outcome.installer_message};
}

// A held record as the walk hands it on: its name where the record's own fields expect it.
payload::file_record named(const held_record& held) {
    payload::file_record record = held.record;
    record.name = held.name.c_str();
    return record;
}

}  // namespace

entry_problem walked_entry::read_bytes(const entry_output& output) {
    if (bytes_done_) return bytes_problem_;
    bytes_done_ = true;
    if (payload::has_stored_bytes(record)) bytes_problem_ = stream_entry_bytes(in_, record, output);
    return bytes_problem_;
}

entry_problem walked_entry::finish_bytes() {
    if (bytes_done_) return bytes_problem_;
    bytes_done_ = true;
    // A link's text is judged whether or not the visitor asked for it, as the installer judges it.
    bytes_problem_ = record.method == payload::METHOD_LINK ? stream_entry_bytes(in_, record)
                                                           : skip_stored_bytes(in_, record);
    return bytes_problem_;
}

// One pass over the held records, reading each entry's stored bytes.
struct entry_walk {
    static std::optional<walk_stop> pass(installer_payload& in, const payload_records& records,
                                         const entry_visitor& visit, walk_layout layout);
};

std::optional<walk_stop> entry_walk::pass(installer_payload& in, const payload_records& records,
                                          const entry_visitor& visit, walk_layout layout) {
    const bool lays_out_first = layout.tree != nullptr && layout.order == layout_order::before_bytes;
    const bool lays_out_last = layout.tree != nullptr && layout.order == layout_order::after_bytes;
    std::uint64_t index = 0;
    for (const held_record& held : records.entries) {
        ++index;
        const payload::file_record record = named(held);
        // A stream that cannot stand at the stored bytes fails to read them: the bytes' own problem.
        (void)fseeko(in.file.get(), static_cast<off_t>(held.record_offset + record.record_length), SEEK_SET);
        walked_entry entry(in, index, record, held.record_offset);
        const auto stop = [&](const entry_problem& problem) {
            return walk_stop{index, held.record_offset, held.name, problem};
        };
        if (lays_out_first) {
            if (const entry_problem problem = lay_out(layout, record, index, {}); problem.found())
                return stop(problem);
        }
        visit(entry);
        entry_problem problem = entry.finish_bytes();
        if (lays_out_last) {
            if (const entry_problem misplaced = lay_out(layout, record, index, entry.written);
                misplaced.found())
                problem = misplaced;
        }
        if (problem.found()) return stop(problem);
    }
    return records.stop;
}

std::optional<walk_stop> walk_records(installer_payload& in, const payload_records& records,
                                      const entry_visitor& visit, walk_layout layout) {
    // Before anything is decoded: a few bytes of stream can claim 4 GiB of file.
    if (records.stop && records.stop->problem.kind == problem_kind::totals) return records.stop;
    return entry_walk::pass(in, records, visit, layout);
}

std::optional<walk_stop> walk_payload(installer_payload& in, const entry_visitor& visit, walk_layout layout,
                                      walk_totals totals) {
    // The methods its own profile gives a meaning, as the installer reads its records.
    const payload::record_methods methods =
        effective_values(find_stub_regions(program_bytes(in, "read")).profile.settings).methods;
    const payload_records records = read_payload_records(in, totals != walk_totals::unchecked, methods);
    return walk_records(in, records, visit, layout);
}

void lay_out_records(const payload_records& records, const walk_layout& layout) {
    std::uint64_t index = 0;
    for (const held_record& held : records.entries) {
        if (lay_out(layout, named(held), ++index, {}).found()) return;
    }
}

}  // namespace builder
