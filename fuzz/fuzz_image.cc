#include "payload_walk.h"

#include <cstring>
#include <functional>
#include <memory>

#include "decoder/decode_file.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "payload/le_bytes.h"

namespace fuzz_support {
namespace {

using payload::load_u32;

std::uint16_t crc_of(const std::uint8_t* bytes, std::size_t size) {
    return payload::crc16_update(0, bytes, static_cast<std::uint32_t>(size));
}

// Calls `visit` with the offset of every record the installer could read in turn, while its length is in
// range and it lies whole in the image; stops where the installer would stop reading or `visit` says so.
// `visit` may change a record's CRC fields, nothing else.
void walk_records(const std::vector<std::uint8_t>& image, const std::function<bool(std::size_t)>& visit) {
    const std::size_t header = find_marker(image);
    if (header + payload::HEADER_SIZE > image.size()) return;
    const std::uint32_t count = load_u32(&image[header + payload::HEADER_FILE_COUNT]);
    std::size_t at = header + payload::HEADER_SIZE;
    for (std::uint32_t i = 0; i < count && at + 4 <= image.size(); ++i) {
        const std::uint32_t length = load_u32(&image[at]);
        if (length < payload::RECORD_MIN_LENGTH || length > payload::RECORD_MAX_LENGTH) return;
        if (at + length > image.size() || !visit(at)) return;
        const std::uint32_t method = load_u32(&image[at + payload::RECORD_METHOD]);
        const std::size_t stored =
            method == payload::METHOD_DELETE ? 0 : load_u32(&image[at + payload::RECORD_STORED_SIZE]);
        at += length + stored;
    }
}

// The data CRC a compressed entry needs to pass: that of the decoder's output. False when the decoder
// fails, which leaves the CRC as it was.
bool decoded_crc(const std::uint8_t* stored, std::size_t stored_size, std::size_t file_size,
                 std::uint16_t* crc) {
    const std::unique_ptr<std::uint8_t[]> file(new std::uint8_t[file_size]);
    if (decoder::decode_file(stored, stored_size, file.get(), file_size) != 0) return false;
    *crc = crc_of(file.get(), file_size);
    return true;
}

void reseal_record(std::vector<std::uint8_t>& image, std::size_t at) {
    std::uint8_t* record = &image[at];
    const std::uint32_t length = load_u32(record);
    const std::uint32_t method = load_u32(record + payload::RECORD_METHOD);
    const std::uint32_t file_size = load_u32(record + payload::RECORD_FILE_SIZE);
    const std::uint32_t stored_size = load_u32(record + payload::RECORD_STORED_SIZE);
    const std::size_t data_at = at + length;
    if (method != payload::METHOD_DELETE && data_at + stored_size <= image.size()) {
        const std::uint8_t* stored = &image[data_at];
        payload::store_u16(record + payload::RECORD_STORED_CRC, crc_of(stored, stored_size));
        std::uint16_t data_crc = 0;
        if (method == payload::METHOD_STORED) {
            if (stored_size == file_size)
                payload::store_u16(record + payload::RECORD_DATA_CRC, crc_of(stored, file_size));
        } else if (file_size <= FUZZ_MAX_ENTRY_SIZE &&
                   decoded_crc(stored, stored_size, file_size, &data_crc)) {
            payload::store_u16(record + payload::RECORD_DATA_CRC, data_crc);
        }
    }
    payload::store_u16(record + payload::RECORD_CRC, 0);
    payload::store_u16(record + payload::RECORD_CRC, crc_of(record, length));
}

}  // namespace

std::size_t find_marker(const std::vector<std::uint8_t>& image) {
    const payload::distribution_marker marker = payload::make_distribution_marker();
    for (std::size_t at = payload::HEADER_ALIGNMENT; at + payload::HEADER_SIZE <= image.size();
         at += payload::HEADER_ALIGNMENT) {
        if (std::memcmp(&image[at], marker.data(), payload::HEADER_MARKER_SIZE) == 0) return at;
    }
    return image.size();
}

bool within_limits(const std::vector<std::uint8_t>& image) {
    bool within = true;
    walk_records(image, [&](std::size_t at) {
        within = load_u32(&image[at + payload::RECORD_FILE_SIZE]) <= FUZZ_MAX_ENTRY_SIZE &&
                 load_u32(&image[at + payload::RECORD_STORED_SIZE]) <= FUZZ_MAX_ENTRY_SIZE;
        return within;
    });
    return within;
}

void reseal(std::vector<std::uint8_t>& image) {
    const std::size_t header = find_marker(image);
    if (header == image.size()) return;
    payload::header_block block;
    std::memcpy(block.data(), &image[header], payload::HEADER_SIZE);
    payload::store_u16(&image[header + payload::HEADER_CRC], payload::compute_header_crc(block));
    walk_records(image, [&](std::size_t at) {
        reseal_record(image, at);
        return true;
    });
}

}  // namespace fuzz_support
