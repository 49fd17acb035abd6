// A first installation step: it reads every entry of the payload front to back and checks its record,
// its stored bytes and, for a stored file, its file bytes, so that a damaged payload stops with its
// numbered message. Writing files beneath the target directory comes with the extraction loop.
#include "install/install_files.h"

#include <cstdio>

#include "driver/driver_state.h"
#include "driver/termination.h"
#include "payload/crc16.h"
#include "payload/payload_stream.h"

namespace install {

void install_files() {
    const payload::crc16_table_ptr table(payload::make_crc16_table());
    if (!table) driver::error("Insufficient memory (err=3).");
    std::fputs("\n\n.... Installing files ....\n\n", stderr);

    const std::uint32_t file_count = payload::header_u32(driver::header, payload::HEADER_FILE_COUNT);
    payload::record_buffer buffer{};
    for (std::uint32_t i = 0; i < file_count; ++i) {
        const payload::file_record record = payload::next_file_record(buffer, table.get());
        if (record.method == payload::METHOD_DELETE) continue;
        // One byte more, so that an empty entry still gets a buffer.
        const payload::heap_bytes stored = payload::allocate_bytes(record.stored_size + std::size_t{1});
        if (!stored) driver::error("Memory allocation error (err=3).");
        payload::load_stored_bytes(record, stored.get(), table.get());
        if (record.method == payload::METHOD_STORED)
            payload::verify_file_bytes(record, stored.get(), table.get());
    }
}

}  // namespace install
