// The compressed stream as the encoder sees it: alphabet sizes, the match and window limits, the length
// codes that carry symbol code lengths, and the distance classes, under the encoder's names; their values
// come from decoder/stream_format.h, which the decoder reads with. Constants and tiny helpers only; the
// writing of each field is in block_writer.cc.
#pragma once

#include <bit>
#include <cstdint>

#include "decoder/stream_format.h"

namespace encoder {

// Symbols 0..255 are literal bytes; 256..509 a match of symbol - 253 bytes (3..256).
constexpr int ENCODER_SYMBOL_COUNT = decoder::FORMAT_SYMBOL_COUNT;
constexpr int ENCODER_LITERAL_COUNT = static_cast<int>(decoder::FORMAT_LITERAL_COUNT);
constexpr int ENCODER_LENGTH_CODE_COUNT = decoder::FORMAT_LENGTH_CODE_COUNT;
constexpr int ENCODER_CLASS_COUNT = decoder::FORMAT_CLASS_COUNT;

// The decoder rejects any code set with a length above this.
constexpr int ENCODER_MAX_CODE_LENGTH = decoder::FORMAT_MAX_CODE_LENGTH;

constexpr std::uint32_t ENCODER_MIN_MATCH = decoder::FORMAT_MIN_MATCH;
constexpr std::uint32_t ENCODER_MAX_MATCH = decoder::FORMAT_MAX_MATCH;
// A match reaches at most this many bytes back (distance value 8191 in the stream).
constexpr std::uint32_t ENCODER_WINDOW_SIZE = decoder::FORMAT_WINDOW_SIZE;

// The block size field has 16 bits, and 0 there would make a block that never ends.
constexpr std::uint32_t ENCODER_MAX_BLOCK_SYMBOLS = (1u << decoder::FORMAT_BLOCK_SIZE_BITS) - 1;

// Field widths of a block header.
constexpr int ENCODER_BLOCK_SIZE_BITS = decoder::FORMAT_BLOCK_SIZE_BITS;
constexpr int ENCODER_LENGTH_CODE_COUNT_BITS = decoder::FORMAT_LENGTH_CODE_COUNT_BITS;
constexpr int ENCODER_SYMBOL_COUNT_BITS = decoder::FORMAT_SYMBOL_COUNT_BITS;
constexpr int ENCODER_CLASS_COUNT_BITS = decoder::FORMAT_CLASS_COUNT_BITS;
// In the length-code list, two bits after the third length give 0..3 zero lengths that follow it.
constexpr int ENCODER_ZERO_RUN_AFTER = decoder::FORMAT_ZERO_RUN_AFTER;
constexpr int ENCODER_ZERO_RUN_BITS = decoder::FORMAT_ZERO_RUN_BITS;
constexpr int ENCODER_ZERO_RUN_MAX = (1 << decoder::FORMAT_ZERO_RUN_BITS) - 1;

// The length codes: 0 is one zero length, 1 and 2 are runs of zeros with extra bits, 3..18 a length of
// code - 2.
constexpr int ENCODER_CODE_ONE_ZERO = static_cast<int>(decoder::FORMAT_CODE_ONE_ZERO);
constexpr int ENCODER_CODE_SHORT_RUN = static_cast<int>(decoder::FORMAT_CODE_SHORT_RUN);
constexpr int ENCODER_CODE_LONG_RUN = static_cast<int>(decoder::FORMAT_CODE_LONG_RUN);
constexpr int ENCODER_CODE_LENGTH_BASE = static_cast<int>(decoder::FORMAT_CODE_LENGTH_BASE);
constexpr int ENCODER_SHORT_RUN_MIN = static_cast<int>(decoder::FORMAT_SHORT_RUN_MIN);
constexpr int ENCODER_SHORT_RUN_MAX = ENCODER_SHORT_RUN_MIN + (1 << decoder::FORMAT_SHORT_RUN_BITS) - 1;
constexpr int ENCODER_SHORT_RUN_BITS = decoder::FORMAT_SHORT_RUN_BITS;
constexpr int ENCODER_LONG_RUN_MIN = static_cast<int>(decoder::FORMAT_LONG_RUN_MIN);
constexpr int ENCODER_LONG_RUN_MAX = ENCODER_LONG_RUN_MIN + (1 << decoder::FORMAT_LONG_RUN_BITS) - 1;
constexpr int ENCODER_LONG_RUN_BITS = decoder::FORMAT_LONG_RUN_BITS;

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
    return length < static_cast<int>(decoder::FORMAT_LENGTH_FORM_ESCAPE)
               ? decoder::FORMAT_LENGTH_FORM_BITS
               : length - decoder::FORMAT_LENGTH_FORM_BITS;
}

}  // namespace encoder
