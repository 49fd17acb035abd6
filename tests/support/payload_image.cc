// The tests' own payload writer, and byte-level access to an image for deliberate damage and resealing.
#include "support/payload_image.h"

#include <optional>
#include <vector>

#include "decoder/decode_file.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace testing_support {
namespace {

void put_text(std::string& image, std::size_t offset, const std::string& text) {
    image.replace(offset, text.size(), text);
}

const std::string& stored_of(const test_entry& entry) {
    return entry.use_stored ? entry.stored : entry.data;
}

// The data CRC a compressed entry needs to pass: that of the decoder's output; none when the decoder fails.
std::optional<std::uint16_t> decoded_crc(const std::string& image, std::size_t stored_at,
                                         std::uint32_t stored_size, std::uint32_t file_size) {
    std::vector<std::uint8_t> file(file_size);
    const auto* stored = reinterpret_cast<const std::uint8_t*>(image.data() + stored_at);
    if (decoder::decode_file(stored, stored_size, file.data(), file_size) != 0) return std::nullopt;
    return payload::crc16_update(0, file.data(), file_size);
}

}  // namespace

std::uint16_t crc_of(const std::string& bytes, std::size_t start, std::size_t length) {
    return payload::crc16_update(0, bytes.data() + start, static_cast<std::uint32_t>(length));
}

std::uint16_t get_u16(const std::string& image, std::size_t offset) {
    return payload::load_u16(reinterpret_cast<const unsigned char*>(image.data() + offset));
}

std::uint32_t get_u32(const std::string& image, std::size_t offset) {
    return payload::load_u32(reinterpret_cast<const unsigned char*>(image.data() + offset));
}

void put_u32(std::string& image, std::size_t offset, std::uint32_t value) {
    payload::store_u32(reinterpret_cast<unsigned char*>(image.data() + offset), value);
}

void put_u16(std::string& image, std::size_t offset, std::uint16_t value) {
    payload::store_u16(reinterpret_cast<unsigned char*>(image.data() + offset), value);
}

std::string single_byte_stream(unsigned char byte, std::uint16_t count) {
    // Block size (16 bits), length codes: count 0 + code 0 (5 + 5 bits), symbols: count 0 + the byte
    // (9 + 9 bits), distance classes: count 0 + class 0 (4 + 4 bits): 52 bits in all.
    std::uint64_t bits = 0;
    int used = 0;
    auto put = [&](std::uint32_t value, int width) {
        bits = bits << width | value;
        used += width;
    };
    put(count, 16);
    put(0, 5);
    put(0, 5);
    put(0, 9);
    put(byte, 9);
    put(0, 4);
    put(0, 4);
    bits <<= 64 - used;
    std::string stream;
    for (int i = 0; i < (used + 7) / 8; ++i) stream += static_cast<char>(bits >> (56 - 8 * i));
    return stream;
}

test_entry repeated_byte_entry(const std::string& name, unsigned char byte, std::uint16_t count) {
    return test_entry{.name = name,
                      .data = std::string(count, static_cast<char>(byte)),
                      .method = 1,
                      .stored = single_byte_stream(byte, count),
                      .use_stored = true};
}

std::string record_bytes(const test_entry& entry, std::uint32_t record_offset) {
    const std::string& stored = stored_of(entry);
    std::string r(record_length(entry), '\0');
    put_u32(r, 0, static_cast<std::uint32_t>(r.size()));
    put_u16(r, 6, crc_of(entry.data, 0, entry.data.size()));
    put_u16(r, 8, crc_of(stored, 0, stored.size()));
    put_u32(r, 12, static_cast<std::uint32_t>(entry.data.size()));
    put_u32(r, 16, entry.method == 2 ? 0 : static_cast<std::uint32_t>(stored.size()));
    put_u32(r, 20, entry.method);
    put_u32(r, 28, record_offset);
    put_u32(r, 32, static_cast<std::uint32_t>(entry.mtime));
    put_u16(r, 36, entry.mode);
    put_text(r, 38, entry.name);
    put_u16(r, 4, crc_of(r, 0, r.size()));
    return r;
}

std::size_t record_length(const test_entry& entry) {
    return payload::RECORD_NAME + entry.name.size() + payload::RECORD_NAME_PADDING;
}

std::size_t record_start(const std::string& image, std::size_t header_offset, std::size_t index) {
    std::size_t at = header_offset + payload::HEADER_SIZE;
    for (std::size_t k = 0; k < index; ++k) {
        const bool deleted = get_u32(image, at + payload::RECORD_METHOD) == payload::METHOD_DELETE;
        at += get_u32(image, at + payload::RECORD_LENGTH) +
              (deleted ? 0 : get_u32(image, at + payload::RECORD_STORED_SIZE));
    }
    return at;
}

std::string payload_bytes(const test_payload& p) {
    std::string records;
    std::uint32_t total_size = 0;
    std::uint32_t total_stored = 0;
    for (const auto& e : p.entries) {
        const std::string record = record_bytes(e, static_cast<std::uint32_t>(records.size()));
        records += record;
        total_size += static_cast<std::uint32_t>(e.data.size());
        if (e.method != 2) {
            records += stored_of(e);
            total_stored += static_cast<std::uint32_t>(stored_of(e).size());
        }
    }
    std::uint32_t total_record = 0;
    for (const auto& e : p.entries) total_record += static_cast<std::uint32_t>(record_length(e));

    std::string h(payload::HEADER_SIZE, '\0');
    const auto marker = payload::make_distribution_marker();
    h.replace(0, marker.size(), reinterpret_cast<const char*>(marker.data()), marker.size());
    const auto count = static_cast<std::uint32_t>(p.entries.size());
    put_u32(h, 256, count);
    put_u32(h, 260, total_size);
    put_u32(h, 264, total_stored);
    put_u32(h, 268, total_record);
    put_u32(h, 272, 0xFFFFFFFF);
    put_u32(h, 276, 0xFFFFFFFF);
    put_u32(h, 284, count);
    put_u32(h, 348, total_size);
    put_text(h, 418, p.product);
    put_text(h, 482, p.version);
    put_text(h, 546, p.platform);
    put_u32(h, 740, static_cast<std::uint32_t>(p.build_time));
    reseal_header(h, 0);
    return h + records;
}

std::string installer_image(const std::string& prefix, const std::string& payload,
                            std::size_t header_offset) {
    std::string image = prefix;
    image.resize(header_offset, '\0');
    return image + payload;
}

void reseal_header(std::string& image, std::size_t header_offset) {
    put_u16(image, header_offset + 416, 0);
    put_u16(image, header_offset + 416, crc_of(image, header_offset, payload::HEADER_SIZE));
}

void reseal_record(std::string& image, std::size_t record_start, record_crcs which) {
    const std::size_t at = record_start;
    const std::uint32_t length = get_u32(image, at + payload::RECORD_LENGTH);
    const std::uint32_t method = get_u32(image, at + payload::RECORD_METHOD);
    const std::uint32_t file_size = get_u32(image, at + payload::RECORD_FILE_SIZE);
    const std::uint32_t stored_size = get_u32(image, at + payload::RECORD_STORED_SIZE);
    const std::size_t stored_at = at + length;
    if (which == record_crcs::every_one && method != payload::METHOD_DELETE &&
        stored_at + stored_size <= image.size()) {
        put_u16(image, at + payload::RECORD_STORED_CRC, crc_of(image, stored_at, stored_size));
        if (method == payload::METHOD_STORED) {
            if (stored_size == file_size)
                put_u16(image, at + payload::RECORD_DATA_CRC, crc_of(image, stored_at, file_size));
        } else if (const auto data_crc = decoded_crc(image, stored_at, stored_size, file_size)) {
            put_u16(image, at + payload::RECORD_DATA_CRC, *data_crc);
        }
    }
    put_u16(image, at + payload::RECORD_CRC, 0);
    put_u16(image, at + payload::RECORD_CRC, crc_of(image, at, length));
}

}  // namespace testing_support
