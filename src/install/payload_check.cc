#include "install/payload_check.h"

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "decoder/decode_file.h"
#include "payload/header_block.h"
#include "payload/heap_bytes.h"
#include "payload/installer_messages.h"
#include "process/payload_stream.h"
#include "process/session.h"
#include "process/termination.h"
#include "process/vendor_settings.h"

namespace install {
namespace {

// Stored bytes pass through this one buffer and are dropped: the check holds one chunk, whatever the
// size of an entry. Static, so that it cannot fail.
constexpr std::uint32_t CHECK_CHUNK_SIZE = std::uint32_t{64} * 1024;
unsigned char check_chunk[CHECK_CHUNK_SIZE];

std::uint32_t entry_count() {
    return payload::header_u32(process::session.header, payload::HEADER_FILE_COUNT);
}

}  // namespace

payload::corruption check_next_entry(payload::record_buffer& record_bytes, payload::file_record& record) {
    std::FILE* in = process::session.self_file;
    payload::corruption found =
        payload::read_file_record(in, record_bytes, record, process::record_methods());
    // The extraction reads no bytes for a delete or touch entry, and checks none.
    if (found != payload::corruption::none || !payload::has_stored_bytes(record)) return found;
    found = payload::check_stored_bytes(in, record, check_chunk, CHECK_CHUNK_SIZE);
    // A link's text is its stored bytes, all in the one chunk: checked before anything is written.
    if (found == payload::corruption::none && record.method == payload::METHOD_LINK)
        found = payload::check_file_bytes(record, check_chunk);
    return found;
}

void check_payload_first() {
    if (process::check_first_choice() != payload::check_first::on) return;
    std::FILE* in = process::session.self_file;
    // Where the extraction starts. Without it the extraction could not follow the check; it then checks
    // each entry as it goes, as with the choice off.
    const off_t first_record = ftello(in);
    if (first_record < 0) return;
    const std::uint32_t count = entry_count();
    payload::record_buffer record_bytes;
    payload::file_record record{};
    for (std::uint32_t i = 0; i < count; ++i) {
        const payload::corruption found = check_next_entry(record_bytes, record);
        if (found != payload::corruption::none) process::error(payload::corrupted_message(found));
    }
    // A position ftello gave in the same file: the seek cannot fail.
    (void)fseeko(in, first_record, SEEK_SET);
}

void check_every_entry() {
    const std::uint32_t count = entry_count();
    payload::record_buffer record_bytes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const payload::file_record record = process::next_file_record(record_bytes);
        if (!payload::has_stored_bytes(record)) continue;
        // The installation's two buffers: the check needs no more memory than the installation would.
        const payload::heap_bytes stored = payload::allocate_bytes(record.stored_size + std::size_t{1});
        const payload::heap_bytes file = payload::allocate_bytes(record.file_size + std::size_t{1});
        if (!stored || !file) process::error("Memory allocation error (err=3).");
        process::load_stored_bytes(record, stored.get());
        if (payload::is_stored_as_is(record)) {
            std::memcpy(file.get(), stored.get(), record.file_size);
        } else if (payload::needs_decoder(record) &&
                   decoder::decode_file(stored.get(), record.stored_size, file.get(), record.file_size) < 0) {
            process::error(payload::MESSAGE_DECOMPRESSION);
        }
        process::verify_file_bytes(record, file.get());
    }
}

}  // namespace install
