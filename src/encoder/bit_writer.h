// Bit output of the compressor: fields go out most significant bit first, the bytes filled from bit 7 down,
// as the decoder's bit reader takes them. Holds no knowledge of the fields themselves.
#pragma once

#include <cstdint>
#include <vector>

namespace encoder {

struct bit_writer {
    std::vector<unsigned char>* out;
    std::uint64_t pending;  // the low pending_bits bits are not yet in out
    int pending_bits;       // 0..31 between calls
};

inline void start_bits(bit_writer& writer, std::vector<unsigned char>& out) {
    writer = bit_writer{&out, 0, 0};
}

// value must fit in bit_count bits; bit_count 0..32. Bits go out four bytes at a time, which costs the
// vector one size check where a byte at a time cost four.
inline void put_bits(bit_writer& writer, std::uint32_t value, int bit_count) {
    writer.pending = (writer.pending << bit_count) | value;
    writer.pending_bits += bit_count;
    if (writer.pending_bits < 32) return;
    writer.pending_bits -= 32;
    const auto word = static_cast<std::uint32_t>(writer.pending >> writer.pending_bits);
    const std::size_t at = writer.out->size();
    writer.out->resize(at + 4);
    unsigned char* dest = writer.out->data() + at;
    dest[0] = static_cast<unsigned char>(word >> 24);
    dest[1] = static_cast<unsigned char>(word >> 16);
    dest[2] = static_cast<unsigned char>(word >> 8);
    dest[3] = static_cast<unsigned char>(word);
}

// Sends what is pending and pads the last byte with zero bits, which the decoder never reads as symbols.
inline void finish_bits(bit_writer& writer) {
    while (writer.pending_bits >= 8) {
        writer.pending_bits -= 8;
        writer.out->push_back(static_cast<unsigned char>(writer.pending >> writer.pending_bits));
    }
    if (writer.pending_bits > 0) {
        writer.out->push_back(static_cast<unsigned char>(writer.pending << (8 - writer.pending_bits)));
        writer.pending_bits = 0;
    }
}

}  // namespace encoder
