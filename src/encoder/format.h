// The compressed stream as the encoder sees it: alphabet sizes, the match and window limits, the length
// codes that carry symbol code lengths, and the distance classes. Constants and tiny helpers only; the
// writing of each field is in block_writer.cc.
#pragma once

#include <bit>
#include <cstdint>

namespace encoder {

// Symbols 0..255 are literal bytes; 256..509 a match of symbol - 253 bytes (3..256).
constexpr int ENCODER_SYMBOL_COUNT = 510;
constexpr int ENCODER_LITERAL_COUNT = 256;
constexpr int ENCODER_LENGTH_CODE_COUNT = 19;
constexpr int ENCODER_CLASS_COUNT = 14;

// The decoder rejects any code set with a length above this.
constexpr int ENCODER_MAX_CODE_LENGTH = 16;

constexpr std::uint32_t ENCODER_MIN_MATCH = 3;
constexpr std::uint32_t ENCODER_MAX_MATCH = 256;
// A match reaches at most this many bytes back (distance value 8191 in the stream).
constexpr std::uint32_t ENCODER_WINDOW_SIZE = 8192;

// The block size field has 16 bits, and 0 there would make a block that never ends.
constexpr std::uint32_t ENCODER_MAX_BLOCK_SYMBOLS = 65535;

// Field widths of a block header.
constexpr int ENCODER_BLOCK_SIZE_BITS = 16;
constexpr int ENCODER_LENGTH_CODE_COUNT_BITS = 5;
constexpr int ENCODER_SYMBOL_COUNT_BITS = 9;
constexpr int ENCODER_CLASS_COUNT_BITS = 4;
// In the length-code list, two bits after the third length give 0..3 zero lengths that follow it.
constexpr int ENCODER_ZERO_RUN_AFTER = 3;
constexpr int ENCODER_ZERO_RUN_BITS = 2;
constexpr int ENCODER_ZERO_RUN_MAX = 3;

// The length codes: 0 is one zero length, 1 and 2 are runs of zeros with extra bits, 3..18 a length of
// code - 2.
constexpr int ENCODER_CODE_ONE_ZERO = 0;
constexpr int ENCODER_CODE_SHORT_RUN = 1;
constexpr int ENCODER_CODE_LONG_RUN = 2;
constexpr int ENCODER_CODE_LENGTH_BASE = 2;
constexpr int ENCODER_SHORT_RUN_MIN = 3;
constexpr int ENCODER_SHORT_RUN_MAX = 18;
constexpr int ENCODER_SHORT_RUN_BITS = 4;
constexpr int ENCODER_LONG_RUN_MIN = 20;
constexpr int ENCODER_LONG_RUN_MAX = 531;
constexpr int ENCODER_LONG_RUN_BITS = 9;

// One coded item of the LZ77 parse: a literal (symbol below 256, distance unused) or a match with its
// distance value d, the match starting d + 1 bytes back.
struct lz_symbol {
    std::uint16_t symbol;
    std::uint16_t distance;
};

constexpr std::uint16_t match_symbol(std::uint32_t length) {
    return static_cast<std::uint16_t>(length + ENCODER_SYMBOL_COUNT - 1 - ENCODER_MAX_MATCH);
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
    return length < 7 ? 3 : length - 3;
}

}  // namespace encoder
