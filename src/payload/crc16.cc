// The CRC-16 table and the byte-at-a-time update loop.
#include "payload/crc16.h"

namespace payload {

unsigned char* make_crc16_table() {
    auto* table = static_cast<unsigned char*>(std::malloc(CRC16_TABLE_SIZE));
    if (table == nullptr) return nullptr;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        table[i] = static_cast<unsigned char>(r);
        table[256 + i] = static_cast<unsigned char>(r >> 8);
    }
    return table;
}

std::uint16_t crc16_update(const unsigned char* table, std::uint16_t start, const void* data,
                           std::uint32_t length) {
    if (table == nullptr) return 0xFFFF;
    // The value is held byte-swapped, so its high byte is the standard CRC's low byte: the one that
    // meets the next input byte.
    unsigned high = start >> 8;
    unsigned low = start & 0xFF;
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::uint32_t i = 0; i < length; ++i) {
        const unsigned idx = high ^ p[i];
        high = table[idx] ^ low;
        low = table[256 + idx];
    }
    return static_cast<std::uint16_t>(high << 8 | low);
}

}  // namespace payload
