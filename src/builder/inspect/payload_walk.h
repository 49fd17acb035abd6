// The one walk over an installer's entries, in the installer's own order, over their records as read once
// (payload_records.h): each entry laid out and its stored bytes read, stopping at the first problem as the
// installer does. verify, extract and the tree reader all read entries through it; what each does with an
// entry is its own. Opening the file, the header search and the volume check come before it (each command
// words their failures its own way).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "builder/inspect/entry_bytes.h"
#include "builder/inspect/installer_reader.h"
#include "builder/inspect/payload_records.h"
#include "builder/model/layout_replay.h"

namespace builder {

class walked_entry;

enum class layout_order {
    before_bytes,  // the installer's order: an entry is laid out, then its bytes are read (verify)
    // The bytes first, since the file's state needs their digest (the tree reader); a layout problem is
    // still named before a damaged entry's, as the installer meets it first.
    after_bytes,
};

// Lays every entry out over `tree` as an installer running with `removal` does (apply_entry); no tree,
// no layout. Each file the layout writes carries the number of the entry that wrote it.
struct walk_layout {
    layout_tree* tree = nullptr;
    layout_order order = layout_order::before_bytes;
    payload::same_name_removal removal = payload::same_name_removal::anywhere;
    // Whether `tree` holds the release an update installs over (layout_replay.h, apply_touch).
    bool release_known = false;
};

// Whether the records are held to the header's totals (read_payload_records).
enum class walk_totals {
    first,      // a record that takes a sum past its total is named before any entry is visited
    unchecked,  // the installer's own reading, which takes the totals on trust
};

using entry_visitor = std::function<void(walked_entry&)>;

// Walks the entries `records` holds, reading their stored bytes from `in` (the stream is moved to each),
// calling `visit` for each (laid out before its bytes, for each whose layout passes). Returns the first
// problem or nothing when every entry passed: a record that took a sum past the header's total before
// any entry, else the first entry's problem, else the problem that stopped the records. What `visit`
// throws passes through.
std::optional<walk_stop> walk_records(installer_payload& in, const payload_records& records,
                                      const entry_visitor& visit, walk_layout layout = {});

// The records of `in` read (its stream standing at the first record, as open_installer_into leaves it)
// with the methods the profile region of its program gives a meaning, then walked.
std::optional<walk_stop> walk_payload(installer_payload& in, const entry_visitor& visit,
                                      walk_layout layout = {}, walk_totals totals = walk_totals::first);

// Lays the entries `records` holds out over `layout.tree`, without reading a byte, up to the first whose
// layout fails: the tree as far as an installation would get past the records.
void lay_out_records(const payload_records& records, const walk_layout& layout);

// An entry as the walk reaches it: its record read and checked, its stored bytes not yet.
class walked_entry {
  public:
    const std::uint64_t index;           // from 1
    const payload::file_record& record;  // its name lives as long as the records
    const std::uint64_t record_offset;   // where the record starts in the installer file
    // Laid out after its bytes, the entry leaves this in its file: the visitor sets it from the digest.
    file_state written{};

    // Produces the entry's file bytes into `output` with every check the installer makes on them
    // (stream_entry_bytes); a delete entry has none. The problem returned also stops the walk once the
    // visitor returns. A second call reads nothing and answers as the first.
    entry_problem read_bytes(const entry_output& output = {});

  private:
    friend struct entry_walk;  // the walk itself (payload_walk.cc)
    walked_entry(installer_payload& in, std::uint64_t at_index, const payload::file_record& its_record,
                 std::uint64_t its_offset)
        : index(at_index), record(its_record), record_offset(its_offset), in_(in) {}

    // The stored bytes' problem, skipping them first (checked only to be all there) if nobody read them.
    entry_problem finish_bytes();

    installer_payload& in_;
    bool bytes_done_ = false;
    entry_problem bytes_problem_{};
};

}  // namespace builder
