// The compressed stream as the encoder sees it: the limits it derives from the format's constants (which
// it uses by their own FORMAT_* names from decoder/stream_format.h, the header the decoder reads with), the
// parse item, and tiny helpers on distance classes and code lengths. The writing of each field is in
// block_writer.cc.
#pragma once

#include <bit>
#include <cstdint>

#include "decoder/stream_format.h"

namespace encoder {

// Limits the format fixes only through a field width or a base; the encoder's own derivations of them.
// A block's symbol count is a 16-bit field, and 0 there would make a block that never ends.
constexpr std::uint32_t ENCODER_MAX_BLOCK_SYMBOLS = (1u << decoder::FORMAT_BLOCK_SIZE_BITS) - 1;
// The most zero lengths the 2-bit run after the third length-code length can carry.
constexpr int ENCODER_ZERO_RUN_MAX = (1 << decoder::FORMAT_ZERO_RUN_BITS) - 1;
// The longest zero runs the two run codes can carry.
constexpr int ENCODER_SHORT_RUN_MAX =
    static_cast<int>(decoder::FORMAT_SHORT_RUN_MIN) + (1 << decoder::FORMAT_SHORT_RUN_BITS) - 1;
constexpr int ENCODER_LONG_RUN_MAX =
    static_cast<int>(decoder::FORMAT_LONG_RUN_MIN) + (1 << decoder::FORMAT_LONG_RUN_BITS) - 1;

// One coded item of the LZ77 parse: a literal (symbol below 256, distance unused) or a match with its
// distance value d, the match starting d + 1 bytes back.
struct lz_symbol {
    std::uint16_t symbol;
    std::uint16_t distance;
};

constexpr std::uint16_t match_symbol(std::uint32_t length) {
    return static_cast<std::uint16_t>(length + decoder::FORMAT_MATCH_LENGTH_BIAS);
}

// Class p covers distance values 2^(p-1) .. 2^p - 1 (class 0 only the value 0) and carries p - 1 extra bits.
constexpr int distance_class(std::uint32_t distance) {
    return static_cast<int>(std::bit_width(distance));
}

constexpr int class_extra_bits(int distance_class) {
    return distance_class > 1 ? distance_class - 1 : 0;
}

// Bits of a length in the small alphabets' length form: 0..6 as three bits, 7 and up as 111, one 1 bit per
// unit above 7, then a 0 bit.
constexpr int length_form_bits(int length) {
    return length < static_cast<int>(decoder::FORMAT_LENGTH_FORM_ESCAPE)
               ? decoder::FORMAT_LENGTH_FORM_BITS
               : length - decoder::FORMAT_LENGTH_FORM_BITS;
}

}  // namespace encoder
