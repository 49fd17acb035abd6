// Reading ahead: a worker thread that reads the payload stream, checks and decodes each entry into buffers
// of its own, and hands the prepared entries to the extraction loop in stream order while the loop does the
// file system work of earlier entries; the file bytes' CRC goes to whichever of the two is less busy. The
// worker never writes to standard error, never ends the process and never touches the installed tree. What
// stops it (a damaged record, a decode error, a CRC) it records in the entry and reads no further; the loop
// reports it on reaching that entry, at the step where reading in turn would have met it. Where the worker
// cannot get the memory for an entry, it hands that entry over unread past its record, and the loop reads it
// and the rest in turn, meeting (or not) the allocation failure exactly where reading in turn meets it.
//
// Nothing here is used by more than the one loop; its state is process-wide, like the loop's own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "install/read_ahead_seam.h"
#include "payload/file_record.h"
#include "payload/heap_bytes.h"

namespace install {

// How far the worker has come with an entry; each stage includes the ones before it.
enum class prepared : std::uint8_t {
    nothing,  // not read yet
    record,   // record read and checked (a delete entry is then done)
    stored,   // buffers allocated, stored bytes read and checked; decoding may run
    file,     // file bytes produced, their CRC perhaps checked
};

// What stopped the worker at an entry.
enum class stop_cause : std::uint8_t {
    none,
    corrupted,     // a check of the payload failed: `corrupt` says which
    decode_error,  // the chunk `decoded_bytes` names failed to decode
    handed_over,   // no memory for it: the stream stands behind its record
};

struct entry_stop {
    stop_cause cause = stop_cause::none;
    payload::corruption corrupt = payload::corruption::none;
};

// An entry_stop as one word, so that its two parts are published together by one atomic store (an
// atomic of the record itself is a library call for some compilers).
using entry_stop_word = std::uint16_t;

constexpr entry_stop_word stop_word(entry_stop stop) {
    return static_cast<entry_stop_word>(static_cast<unsigned>(stop.cause) << 8 |
                                        static_cast<unsigned>(stop.corrupt));
}

constexpr entry_stop stop_of(entry_stop_word word) {
    return {static_cast<stop_cause>(word >> 8), static_cast<payload::corruption>(word & 0xFF)};
}

struct prepared_entry {
    payload::record_buffer record_bytes;
    payload::file_record record;  // its name points into record_bytes
    payload::heap_bytes stored;   // stored_size + 1 bytes; released once the file bytes are made
    payload::heap_bytes file;     // file_size + 1 bytes
    // Published by the worker (a release store, after everything it describes) and read by the loop.
    std::atomic<prepared> stage;
    std::atomic<entry_stop_word> stop;       // what stopped the worker here (stop_word)
    std::atomic<std::size_t> decoded_bytes;  // twice the end of the last decoded chunk (a failed one
                                             // too), plus 1 when that chunk failed
    // At prepared::file: what check_file_bytes found, or nothing when the loop is to check them.
    std::optional<payload::corruption> file_check;
};

// Starts the worker on the installer's own stream for `file_count` entries. False when it cannot read
// ahead here (switched off, a limit on the address space, no thread, no memory for the queue): the loop
// then reads in turn, and nothing has been read.
bool start_read_ahead(std::uint32_t file_count);

// True from a successful start until stop_read_ahead.
bool reading_ahead();

// Waits until the worker has come to `stage` with the next entry of the stream, or stopped before it:
// no stop in the first case, else what stopped it.
entry_stop wait_for_entry(prepared stage);

// The next entry: its record once it has come to prepared::record, its file bytes at prepared::file.
const prepared_entry& next_entry();

// Waits until the next entry's chunk ending at file offset `end` is decoded; 0, or -1 when it failed.
int wait_for_decoded(std::size_t end);

// Frees the next entry's buffers and moves on to the entry behind it.
void release_entry();

// Stops the worker and waits for it to end, then frees every entry's buffers (their records stay readable
// until the next start); the stream is the caller's again, standing wherever the worker left it. Does
// nothing when the worker is not running. Every way out of the loop passes here first, so that the process
// never ends with the worker inside the stream or the allocator.
void stop_read_ahead();

}  // namespace install
