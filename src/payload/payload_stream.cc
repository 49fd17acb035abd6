#include "payload/payload_stream.h"

#include "driver/driver_state.h"
#include "driver/termination.h"
#include "payload/installer_messages.h"

namespace payload {
namespace {

// The installer's own file is read front to back, the header search included, mostly in pieces of a few
// KiB: one large buffer makes that a few large reads. Static, so that it cannot fail and outlives the
// stream; the installer has one such stream at a time.
constexpr std::size_t PAYLOAD_READ_BUFFER_SIZE = std::size_t{256} * 1024;
char payload_read_buffer[PAYLOAD_READ_BUFFER_SIZE];

void stop_if_corrupted(int corrupt) {
    if (corrupt != CORRUPT_NONE) driver::error(CORRUPTED_MESSAGES[corrupt]);
}

}  // namespace

void find_header_block(std::FILE* file, header_block& header) {
    (void)std::setvbuf(file, payload_read_buffer, _IOFBF, PAYLOAD_READ_BUFFER_SIZE);
    switch (try_find_header_block(file, header)) {
        case header_search::found:
            return;
        case header_search::not_found:
            driver::error(MESSAGE_NO_HEADER);
        case header_search::no_memory:
            driver::error("Insufficient memory (2).");
        case header_search::corrupted:
            driver::error(MESSAGE_HEADER_CORRUPTED);
    }
}

file_record next_file_record(record_buffer& buffer) {
    file_record record{};
    stop_if_corrupted(read_file_record(driver::session.self_file, buffer, record));
    return record;
}

void load_stored_bytes(const file_record& record, unsigned char* stored) {
    stop_if_corrupted(read_stored_bytes(driver::session.self_file, record, stored));
}

void verify_file_bytes(const file_record& record, const unsigned char* bytes) {
    stop_if_corrupted(check_file_bytes(record, bytes));
}

}  // namespace payload
