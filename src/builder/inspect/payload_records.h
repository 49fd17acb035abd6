// The records of an installer's payload, read once, in the installer's order: behind the header block, as
// many records as the header's file count says, each followed by its stored bytes, which this pass seeks
// over without reading them, but for a link's few bytes of text. Every command that reads entries reads their
// records here; the payload walk (payload_walk.h) then reads the entries' bytes, and list needs nothing more.
//
// Unlike the installer, the pass can hold the records to the header's 32-bit totals: a few bytes of
// compressed stream can claim 4 GiB of file, and only the totals bound what a payload may claim in all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder/inspect/installer_reader.h"

namespace builder {

// The first problem: at which entry, where its record starts, its name when the record was read.
struct walk_stop {
    std::uint64_t index = 0;
    std::uint64_t record_offset = 0;
    std::optional<std::string> name{};
    entry_problem problem{};
};

// describe_entry_problem of the stop: `entry 3 "docs/a.txt": ...`.
std::string describe_stop(const walk_stop& stop);

// A record as the pass read it, its name its own.
struct held_record {
    payload::file_record record;  // its name is null: the text is in `name`
    std::string name;
    std::uint64_t record_offset = 0;  // where the record starts in the installer file
    std::string link_target{};        // a link entry's text as stored, unchecked: list shows it
};

// The sums of one field over the records read: 64 bits, for 2^32 records at most.
struct record_sums {
    std::uint64_t file_size = 0;
    std::uint64_t stored_size = 0;
    std::uint64_t record_length = 0;
};

struct payload_records {
    // Every record read whole, in order. The last one's stored bytes may run past the end of the file:
    // the walk stops there when it reads them, as the installer does.
    std::vector<held_record> entries;
    std::optional<walk_stop> stop;  // where the pass stopped, if before the header's file count
    record_sums sums;               // of every record read, the one that took a sum past its total included
};

// Reads the records of `in`, its stream standing at the first record (as open_installer_into leaves it);
// the stream is left anywhere. The pass stops at the first record that cannot be read, whose stored bytes
// run past the end of the file, or, when `check_totals`, that takes a sum of file sizes, stored sizes or
// record lengths past the header's total (problem_kind::totals) while its stored bytes are all there: bytes
// cut short are the installer's own stop, and say more. `methods` are those the installer's profile gives
// a meaning (payload::record_methods): a record of another is read as compressed, as the installer reads it.
payload_records read_payload_records(installer_payload& in, bool check_totals,
                                     payload::record_methods methods = {});

}  // namespace builder
