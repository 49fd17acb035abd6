// The CRC-16 table and the update loop: byte at a time from the caller's table, eight bytes a step from
// tables derived from the same polynomial.
#include "payload/crc16.h"

#include <array>
#include <cstring>

namespace payload {
namespace {

// Slice k maps a byte to its effect on the standard (unswapped) CRC when k more bytes follow it. Slice 0
// is the table make_crc16_table gives; the others follow from it. Callers pass that table, which is what
// lets the eight-byte step use these instead.
using crc16_slices = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr crc16_slices make_slices() {
    crc16_slices slices{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        slices[0][i] = static_cast<std::uint16_t>(r);
    }
    for (std::size_t k = 1; k < slices.size(); ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned previous = slices[k - 1][i];
            slices[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ slices[0][previous & 0xFF]);
        }
    }
    return slices;
}

constexpr crc16_slices CRC16_SLICES = make_slices();

// The standard CRC after eight more bytes at p (at least eight readable).
unsigned crc16_step8(unsigned crc, const unsigned char* p) {
    const auto& s = CRC16_SLICES;
    return s[7][(p[0] ^ crc) & 0xFF] ^ s[6][p[1] ^ (crc >> 8)] ^ s[5][p[2]] ^ s[4][p[3]] ^ s[3][p[4]] ^
           s[2][p[5]] ^ s[1][p[6]] ^ s[0][p[7]];
}

}  // namespace

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
    // Bulk: the swapped value read back is the standard CRC, whose low byte meets the next input byte.
    std::uint32_t i = 0;
    if (length >= 8) {
        unsigned crc = low << 8 | high;
        for (; length - i >= 8; i += 8) crc = crc16_step8(crc, p + i);
        high = crc & 0xFF;
        low = crc >> 8;
    }
    for (; i < length; ++i) {
        const unsigned idx = high ^ p[i];
        high = table[idx] ^ low;
        low = table[256 + idx];
    }
    return static_cast<std::uint16_t>(high << 8 | low);
}

}  // namespace payload
