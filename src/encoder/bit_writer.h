// Bit output of the compressor: fields go out most significant bit first, the bytes filled from bit 7 down,
// as the decoder's bit reader takes them. Holds no knowledge of the fields themselves.
#pragma once

#include <cstdint>
#include <vector>

namespace encoder {

struct bit_writer {
    std::vector<unsigned char>* out;
    std::uint64_t pending;  // the low pending_bits bits are not yet in out
    int pending_bits;       // 0..7 between calls
};

inline void start_bits(bit_writer& writer, std::vector<unsigned char>& out) {
    writer = bit_writer{&out, 0, 0};
}

// value must fit in bit_count bits; bit_count 0..32.
inline void put_bits(bit_writer& writer, std::uint32_t value, int bit_count) {
    writer.pending = (writer.pending << bit_count) | value;
    writer.pending_bits += bit_count;
    while (writer.pending_bits >= 8) {
        writer.pending_bits -= 8;
        writer.out->push_back(static_cast<unsigned char>(writer.pending >> writer.pending_bits));
    }
}

// Pads the last byte with zero bits, which the decoder never reads as symbols.
inline void finish_bits(bit_writer& writer) {
    if (writer.pending_bits > 0) put_bits(writer, 0, 8 - writer.pending_bits);
}

}  // namespace encoder
