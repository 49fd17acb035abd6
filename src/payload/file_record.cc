// Reading and checking file records and the bytes that follow them.
#include "payload/file_record.h"

#include <cstring>

#include "payload/crc16.h"
#include "payload/le_bytes.h"
#include "payload/link_target.h"
#include "payload/record_name.h"

namespace payload {

std::uint32_t read_payload_from(std::FILE* in, void* destination, std::uint32_t count) {
    return static_cast<std::uint32_t>(std::fread(destination, 1, count, in));
}

corruption read_file_record(std::FILE* in, record_buffer& buffer, file_record& record,
                            record_methods methods) {
    if (read_payload_from(in, buffer.data(), 4) < 4) return corruption::record_length;
    const std::uint32_t length = load_u32(&buffer[RECORD_LENGTH]);
    // One unsigned test covers both ends of 41..4136.
    if (length - RECORD_MIN_LENGTH >= RECORD_MAX_LENGTH - RECORD_MIN_LENGTH + 1)
        return corruption::record_length;
    if (read_payload_from(in, &buffer[4], length - 4) < length - 4) return corruption::record_short;

    const std::uint16_t saved_crc = load_u16(&buffer[RECORD_CRC]);
    store_u16(&buffer[RECORD_CRC], 0);
    if (crc16_update(0, buffer.data(), length) != saved_crc) return corruption::record;

    const char* name = reinterpret_cast<const char*>(&buffer[RECORD_NAME]);
    if (std::memchr(name, '\0', length - RECORD_NAME) == nullptr) return corruption::record;
    if (is_unsafe_name(name)) return corruption::record;

    record = file_record{
        .record_length = length,
        .data_crc = load_u16(&buffer[RECORD_DATA_CRC]),
        .stored_crc = load_u16(&buffer[RECORD_STORED_CRC]),
        .file_size = load_u32(&buffer[RECORD_FILE_SIZE]),
        .stored_size = load_u32(&buffer[RECORD_STORED_SIZE]),
        .method = load_u32(&buffer[RECORD_METHOD]),
        .record_offset = load_u32(&buffer[RECORD_OFFSET]),
        .mtime = static_cast<std::int32_t>(load_u32(&buffer[RECORD_MTIME])),
        .mode = load_u16(&buffer[RECORD_MODE]),
        .name = name,
    };
    if ((record.method == METHOD_TOUCH && !methods.touch) || (record.method == METHOD_LINK && !methods.link))
        record.method = METHOD_COMPRESSED;
    // A stored entry's bytes are the file, a link's its target; a delete entry has none, a touch entry
    // neither bytes nor size.
    if (is_stored_as_is(record) && record.stored_size != record.file_size) return corruption::stored_short;
    if (record.method == METHOD_LINK && (record.file_size == 0 || record.file_size > LINK_TARGET_MAX))
        return corruption::link_target;
    if (record.method == METHOD_DELETE && record.stored_size != 0) return corruption::stored_short;
    if (record.method == METHOD_TOUCH && (record.stored_size != 0 || record.file_size != 0))
        return corruption::stored_short;
    return corruption::none;
}

corruption read_stored_bytes(std::FILE* in, const file_record& record, unsigned char* stored) {
    return check_stored_bytes(in, record, stored, record.stored_size);
}

corruption check_stored_bytes(std::FILE* in, const file_record& record, unsigned char* chunk,
                              std::uint32_t chunk_size) {
    std::uint16_t crc = 0;
    for (std::uint32_t left = record.stored_size; left != 0;) {
        const std::uint32_t size = left < chunk_size ? left : chunk_size;
        if (read_payload_from(in, chunk, size) < size) return corruption::stored_short;
        crc = crc16_update(crc, chunk, size);
        left -= size;
    }
    if (crc != record.stored_crc) return corruption::stored_crc;
    return corruption::none;
}

corruption check_file_bytes(const file_record& record, const unsigned char* bytes) {
    if (crc16_update(0, bytes, record.file_size) != record.data_crc) return corruption::data_crc;
    if (record.method == METHOD_LINK &&
        link_target_fault({reinterpret_cast<const char*>(bytes), record.file_size}, record.name) !=
            link_fault::none)
        return corruption::link_target;
    return corruption::none;
}

}  // namespace payload
