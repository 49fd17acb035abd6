// The extraction loop's one way to the payload's entries, in stream order: take an entry's record, then
// (for a file entry, after its file is opened) its file bytes, then release it. Reading in turn and
// reading ahead on a worker (read_ahead.h) both stand behind it and show the same: the drawings between
// chunks, each failure's message at the same step. Every failure ends the installer here, the worker
// stopped and the file guard ended first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "payload/file_record.h"

namespace install {

// Starts reading `file_count` entries: ahead where it can, else in turn.
void start_reading(std::uint32_t file_count);

// The next entry's record, checked; valid until release_entry_read.
const payload::file_record& take_record();

// The entry's file bytes (`file_size` of them, copied or decoded, their CRC checked); `between_chunks`
// is called with the bytes decoded so far after every chunk of a compressed file but its last. Valid
// until release_entry_read.
const unsigned char* take_file_bytes(const payload::file_record& record,
                                     const std::function<void(std::size_t done)>& between_chunks);

// Frees what the entry held and moves on to the next.
void release_entry_read();

// Stops reading (the worker ended); every way out of the loop passes here first.
void stop_reading();

// The ways out of the loop: the reading stopped and the file guard ended, then the report.
[[noreturn]] void fail(const char* message);
[[noreturn]] void fail_errno(const char* message, const char* tag, int errnum);

}  // namespace install
