// File record serialisation.
#include "builder/format/record_writer.h"

#include <cstring>

#include "builder/util/error.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/le_bytes.h"

namespace builder {

std::uint32_t record_length_for(std::size_t name_length) {
    return static_cast<std::uint32_t>(payload::RECORD_NAME + name_length + payload::RECORD_NAME_PADDING);
}

std::vector<unsigned char> serialise_record(const record_fields& f) {
    if (f.name.size() > payload::RECORD_MAX_NAME_LENGTH) throw error("name too long for a record");
    const std::uint32_t length = record_length_for(f.name.size());
    // Zero-filled: the reserved fields and the name's padding stay 0.
    std::vector<unsigned char> r(length, 0);
    using payload::store_u16;
    using payload::store_u32;
    store_u32(&r[payload::RECORD_LENGTH], length);
    store_u16(&r[payload::RECORD_DATA_CRC], f.data_crc);
    store_u16(&r[payload::RECORD_STORED_CRC], f.stored_crc);
    store_u32(&r[payload::RECORD_FILE_SIZE], f.file_size);
    store_u32(&r[payload::RECORD_STORED_SIZE], f.stored_size);
    store_u32(&r[payload::RECORD_METHOD], f.method);
    store_u32(&r[payload::RECORD_OFFSET], f.record_offset);
    store_u32(&r[payload::RECORD_MTIME], static_cast<std::uint32_t>(f.mtime));
    store_u16(&r[payload::RECORD_MODE], f.mode);
    if (!f.name.empty()) std::memcpy(&r[payload::RECORD_NAME], f.name.data(), f.name.size());
    // The CRC is taken while its own field is still 0.
    store_u16(&r[payload::RECORD_CRC], payload::crc16_update(0, r.data(), length));
    return r;
}

}  // namespace builder
