// Reading in turn, reading ahead, and the switch from the one to the other when the worker hands an
// entry over.
#include "install/entry_reader.h"

#include <cstring>

#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "install/file_guard.h"
#include "install/progress.h"
#include "install/read_ahead.h"
#include "payload/installer_messages.h"
#include "process/payload_stream.h"
#include "process/run_mode.h"
#include "process/termination.h"

namespace install {
namespace {

// Reading in turn: the record and the entry's two buffers.
payload::record_buffer record_bytes{};
payload::file_record record_in_turn{};
payload::heap_bytes stored;
payload::heap_bytes file;

// Ends the installer with the message of what stopped the worker at this entry, if anything did.
void fail_if_stopped(const entry_stop& stop) {
    if (stop.cause == stop_cause::decode_error) fail(payload::MESSAGE_DECOMPRESSION);
    if (stop.cause == stop_cause::corrupted) fail(payload::corrupted_message(stop.corrupt));
}

// The stored bytes decoded into `file_bytes`, between_chunks called after every chunk but the last.
// With `decoded_ahead` the worker decodes them (stored_bytes and file_bytes are then null) and each
// chunk's result is waited for in the same walk: the drawings and the failure stay the same.
void inflate_entry(const payload::file_record& record, const unsigned char* stored_bytes,
                   unsigned char* file_bytes, const std::function<void(std::size_t)>& between_chunks,
                   bool decoded_ahead) {
    const std::uint32_t file_size = record.file_size;
    const auto after_chunk = [&](std::size_t done, int result) {
        if (done < file_size) between_chunks(done);
        return result == 0;
    };
    int result = 0;
    if (decoded_ahead) {
        result = decoder::for_each_chunk(
            file_size, [](std::size_t, std::size_t end) { return wait_for_decoded(end); }, after_chunk);
    } else {
        decoder::codec_context* codec = nullptr;
        if (decoder::codec_open(&codec) < 0) fail(payload::MESSAGE_DECOMPRESSION);
        decoder::input_span input{stored_bytes, stored_bytes + record.stored_size};
        result = decoder::decode_in_chunks(codec, &input, file_bytes, file_size, after_chunk);
        decoder::codec_close(&codec);
    }
    if (result < 0) fail(payload::MESSAGE_DECOMPRESSION);
}

// Reading in turn, after the open: the two buffers, the stored bytes and their CRC, the file bytes
// copied or decoded, and their CRC.
const unsigned char* file_bytes_in_turn(const payload::file_record& record,
                                        const std::function<void(std::size_t)>& between_chunks) {
    stored = payload::allocate_bytes(record.stored_size + std::size_t{1});
    file = payload::allocate_bytes(record.file_size + std::size_t{1});
    if (!stored || !file) fail("Memory allocation error (err=3).");
    process::load_stored_bytes(record, stored.get());
    if (payload::is_stored_as_is(record)) {
        std::memcpy(file.get(), stored.get(), record.file_size);
    } else if (payload::needs_decoder(record)) {
        inflate_entry(record, stored.get(), file.get(), between_chunks, false);
    }
    process::verify_file_bytes(record, file.get());
    return file.get();
}

// The same steps for an entry the worker prepared: what stopped it there is reported at the same step,
// after the drawings of the chunks decoded before. Null when the worker handed the entry over: it has
// ended, and this entry and the rest are read in turn.
const unsigned char* prepared_file_bytes(const payload::file_record& record,
                                         const std::function<void(std::size_t)>& between_chunks) {
    const entry_stop stop = wait_for_entry(prepared::stored);
    if (stop.cause == stop_cause::handed_over) {
        stop_read_ahead();
        return nullptr;
    }
    fail_if_stopped(stop);
    if (payload::needs_decoder(record)) inflate_entry(record, nullptr, nullptr, between_chunks, true);
    fail_if_stopped(wait_for_entry(prepared::file));
    const prepared_entry& entry = next_entry();
    const payload::corruption found =
        entry.file_check ? *entry.file_check : payload::check_file_bytes(record, entry.file.get());
    if (found != payload::corruption::none) fail(payload::corrupted_message(found));
    return entry.file.get();
}

}  // namespace

void start_reading(std::uint32_t file_count) {
    (void)start_read_ahead(file_count);
}

const payload::file_record& take_record() {
    if (!reading_ahead()) {
        record_in_turn = process::next_file_record(record_bytes);
        return record_in_turn;
    }
    fail_if_stopped(wait_for_entry(prepared::record));
    return next_entry().record;
}

const unsigned char* take_file_bytes(const payload::file_record& record,
                                     const std::function<void(std::size_t)>& between_chunks) {
    const unsigned char* bytes = reading_ahead() ? prepared_file_bytes(record, between_chunks) : nullptr;
    return bytes != nullptr ? bytes : file_bytes_in_turn(record, between_chunks);
}

void release_entry_read() {
    // Still reading ahead unless this entry was handed over; its record then stays where it was.
    if (reading_ahead()) release_entry();
    stored.reset();
    file.reset();
}

void stop_reading() {
    stop_read_ahead();
    stored.reset();
    file.reset();
}

namespace {

// With the conventional command line a failure's message starts a line of its own, not the progress
// line's end.
void leave_progress_line() {
    if (process::run.gnu) show_progress(nullptr, 0, 0);
}

}  // namespace

// Every way out stops the worker first: the process must not end with it inside the stream or malloc.
// The signals get back what they had: a file left open by a failure stays as the failure left it.
void fail(const char* message) {
    stop_read_ahead();
    end_file_guard();
    leave_progress_line();
    process::error(message);
}

void fail_errno(const char* message, const char* tag, int errnum) {
    stop_read_ahead();
    end_file_guard();
    leave_progress_line();
    process::error_errno(message, tag, errnum);
}

}  // namespace install
