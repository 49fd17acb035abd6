#include "install/payload_check.h"

#include <sys/types.h>

#include <cstdint>
#include <cstdio>

#include "payload/file_record.h"
#include "payload/header_block.h"
#include "process/payload_stream.h"
#include "process/session.h"
#include "process/vendor_settings.h"

namespace install {
namespace {

// Stored bytes pass through this one buffer and are dropped: the check holds one chunk, whatever the
// size of an entry. Static, so that it cannot fail.
constexpr std::uint32_t CHECK_CHUNK_SIZE = std::uint32_t{64} * 1024;
unsigned char check_chunk[CHECK_CHUNK_SIZE];

}  // namespace

void check_payload_first() {
    if (process::check_first_choice() != payload::check_first::on) return;
    std::FILE* in = process::session.self_file;
    // Where the extraction starts. Without it the extraction could not follow the check; it then checks
    // each entry as it goes, as with the choice off.
    const off_t first_record = ftello(in);
    if (first_record < 0) return;
    const std::uint32_t count = payload::header_u32(process::session.header, payload::HEADER_FILE_COUNT);
    payload::record_buffer record_bytes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const payload::file_record record = process::next_file_record(record_bytes);
        // The extraction reads no bytes for a delete entry, and checks none.
        if (record.method != payload::METHOD_DELETE)
            process::check_stored_bytes(record, check_chunk, CHECK_CHUNK_SIZE);
    }
    // A position ftello gave in the same file: the seek cannot fail.
    (void)fseeko(in, first_record, SEEK_SET);
}

}  // namespace install
