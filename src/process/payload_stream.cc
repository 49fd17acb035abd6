#include "process/payload_stream.h"

#include "payload/installer_messages.h"
#include "process/session.h"
#include "process/termination.h"
#include "process/vendor_settings.h"

namespace process {
namespace {

// The installer's own file is read front to back, the header search included, mostly in pieces of a few
// KiB: one large buffer makes that a few large reads. Static, so that it cannot fail and outlives the
// stream; the installer has one such stream at a time.
constexpr std::size_t PAYLOAD_READ_BUFFER_SIZE = std::size_t{256} * 1024;
char payload_read_buffer[PAYLOAD_READ_BUFFER_SIZE];

void stop_if_corrupted(payload::corruption found) {
    if (found != payload::corruption::none) error(payload::corrupted_message(found));
}

}  // namespace

void find_header_block(std::FILE* file, payload::header_block& header) {
    (void)std::setvbuf(file, payload_read_buffer, _IOFBF, PAYLOAD_READ_BUFFER_SIZE);
    switch (payload::try_find_header_block(file, header)) {
        case payload::header_search::found:
            return;
        case payload::header_search::not_found:
            error(payload::MESSAGE_NO_HEADER);
        case payload::header_search::no_memory:
            error("Insufficient memory (2).");
        case payload::header_search::corrupted:
            error(payload::MESSAGE_HEADER_CORRUPTED);
    }
}

payload::file_record next_file_record(payload::record_buffer& buffer) {
    payload::file_record record{};
    stop_if_corrupted(payload::read_file_record(session.self_file, buffer, record, record_methods()));
    return record;
}

void load_stored_bytes(const payload::file_record& record, unsigned char* stored) {
    stop_if_corrupted(payload::read_stored_bytes(session.self_file, record, stored));
}

void check_stored_bytes(const payload::file_record& record, unsigned char* chunk, std::uint32_t chunk_size) {
    stop_if_corrupted(payload::check_stored_bytes(session.self_file, record, chunk, chunk_size));
}

void verify_file_bytes(const payload::file_record& record, const unsigned char* bytes) {
    stop_if_corrupted(payload::check_file_bytes(record, bytes));
}

}  // namespace process
