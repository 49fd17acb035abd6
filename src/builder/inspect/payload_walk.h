// The one walk over an installer's payload, in the installer's own order: behind the header block, as many
// entries as the header's file count says, each a record followed by its stored bytes (none for a delete
// entry), stopping at the first problem as the installer does. list, verify, extract and the tree reader
// all read entries through it; what each does with an entry is its own. Opening the file, the header
// search and the volume check come before it (each command words their failures its own way).
//
// Unlike the installer, the walk holds the records to the header's 32-bit totals: a few bytes of
// compressed stream can claim 4 GiB of file, and only the totals bound what a payload may claim in all.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "builder/inspect/entry_bytes.h"
#include "builder/inspect/installer_reader.h"
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
};

// How the walk holds the records to the header's totals of file sizes, stored sizes and record lengths.
// An entry that takes a sum past its total stops the walk (PROBLEM_TOTALS) before its bytes are read,
// unless its stored bytes run past the end of the file, which the installer names first.
enum class walk_totals {
    // First a pass over the records alone, seeking over the stored bytes, so that an impossible total is
    // found before anything is decoded; then each record again as it is reached (the file may change).
    first,
    along,      // each record as it is reached: for a walk that reads no stored bytes (list)
    unchecked,  // the installer's own reading, which takes the totals on trust
};

// The first problem: at which entry, where its record starts, its name when the record was read.
struct walk_stop {
    std::uint64_t index = 0;
    std::uint64_t record_offset = 0;
    std::optional<std::string> name{};
    entry_problem problem{};
};

// describe_entry_problem of the stop: `entry 3 "docs/a.txt": ...`.
std::string describe_stop(const walk_stop& stop);

using entry_visitor = std::function<void(walked_entry&)>;

// Walks the entries of `in`, its stream standing at the first record (as open_installer_into leaves it),
// calling `visit` for each whose record passes (and, laid out before its bytes, whose layout passes).
// Returns the first problem, or nothing when every entry passed. What `visit` throws passes through.
std::optional<walk_stop> walk_payload(installer_payload& in, const entry_visitor& visit,
                                      walk_layout layout = {}, walk_totals totals = walk_totals::first);

// An entry as the walk reaches it: its record read and checked, its stored bytes not yet.
class walked_entry {
  public:
    const std::uint64_t index;           // from 1
    const payload::file_record& record;  // its name lives until the visitor returns
    const std::uint64_t record_offset;   // where the record starts in the installer file
    // Laid out after its bytes, the entry leaves this in its file: the visitor sets it from the digest.
    file_state written{};

    // Produces the entry's file bytes into `output` with every check the installer makes on them
    // (stream_entry_bytes); a delete entry has none. The problem returned also stops the walk once the
    // visitor returns. A second call reads nothing and answers as the first.
    entry_problem read_bytes(const entry_output& output = {});

  private:
    friend struct entry_walk;  // the walk itself (payload_walk.cc)
    walked_entry(installer_payload& in, std::uint64_t number, const payload::file_record& read,
                 std::uint64_t offset)
        : index(number), record(read), record_offset(offset), in_(in) {}

    // The stored bytes' problem, skipping them first (checked only to be all there) if nobody read them.
    entry_problem finish_bytes();

    installer_payload& in_;
    bool bytes_done_ = false;
    entry_problem bytes_problem_{};
};

}  // namespace builder
