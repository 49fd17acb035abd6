// The compressed stream's fixed numbers, which the encoder writes and the decoder reads: alphabet sizes,
// match and window limits, the length codes, and the field widths of a block's head. Each names the part
// of docs/format.md ("Compressed stream") it stands for. Constants only; how each side uses them is its own.
#pragma once

#include <cstdint>

namespace decoder {

// Alphabets: symbols 0..255 are literal bytes, 256..509 matches of `symbol - 253` bytes (3 to 256).
constexpr int FORMAT_SYMBOL_COUNT = 510;
constexpr std::uint32_t FORMAT_LITERAL_COUNT = 256;  // also the first match symbol
constexpr std::uint32_t FORMAT_MIN_MATCH = 3;
constexpr std::uint32_t FORMAT_MAX_MATCH = 256;
constexpr std::uint32_t FORMAT_MATCH_LENGTH_BIAS = FORMAT_LITERAL_COUNT - FORMAT_MIN_MATCH;  // 253
// Alphabets: 19 length codes, 14 distance classes.
constexpr int FORMAT_LENGTH_CODE_COUNT = 19;
constexpr int FORMAT_CLASS_COUNT = 14;
// Alphabets: a match copies from d + 1 bytes back, 1 to 8192.
constexpr std::uint32_t FORMAT_WINDOW_SIZE = 8192;

// Codes: a code length is 0 (unused) or 1 to 16.
constexpr int FORMAT_MAX_CODE_LENGTH = 16;

// Alphabets, length codes: 0 is one zero length; 1 + 4 bits k is k + 3 zero lengths; 2 + 9 bits k is k + 20
// zero lengths; 3..18 one length of code - 2.
constexpr std::uint32_t FORMAT_CODE_ONE_ZERO = 0;
constexpr std::uint32_t FORMAT_CODE_SHORT_RUN = 1;
constexpr std::uint32_t FORMAT_CODE_LONG_RUN = 2;
constexpr std::uint32_t FORMAT_CODE_FIRST_LENGTH = 3;
constexpr std::uint32_t FORMAT_CODE_LENGTH_BASE = 2;
constexpr int FORMAT_SHORT_RUN_BITS = 4;
constexpr std::uint32_t FORMAT_SHORT_RUN_MIN = 3;
constexpr int FORMAT_LONG_RUN_BITS = 9;
constexpr std::uint32_t FORMAT_LONG_RUN_MIN = 20;

// A block: field widths of its head.
constexpr int FORMAT_BLOCK_SIZE_BITS = 16;
constexpr int FORMAT_LENGTH_CODE_COUNT_BITS = 5;
constexpr int FORMAT_SYMBOL_COUNT_BITS = 9;
constexpr int FORMAT_CLASS_COUNT_BITS = 4;
// A block, length-code lengths: after the third, 2 bits z give z zero lengths that follow it.
constexpr int FORMAT_ZERO_RUN_AFTER = 3;
constexpr int FORMAT_ZERO_RUN_BITS = 2;

// The length form of the small alphabets: 0..6 in three bits; 7 and up as 111, one 1 bit per unit above 7,
// then a 0 bit.
constexpr int FORMAT_LENGTH_FORM_BITS = 3;
constexpr std::uint32_t FORMAT_LENGTH_FORM_ESCAPE = 7;

}  // namespace decoder
