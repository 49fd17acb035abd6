// The bit reader: a 16-bit lookahead over the caller's input span, refilled a byte at a time, most
// significant bit of each byte first. Past the end of the input it supplies zero bits without end, which is
// never an error here: a truncated stream only yields wrong bytes, which the file's CRC-16 catches.
// Inline, since every decoded code ends in skip_bits. No table or block logic here.
#pragma once

#include <cstdint>

#include "decoder/codec_context.h"

namespace decoder {

// Consumes the n leading bits of the lookahead (n 0..16; 17 occurs only for damaged lengths) and refills it
// so that it again holds the next 16 bits. The lookahead's low bits always equal spare_byte >> spare_bits,
// which makes the final OR harmless when nothing new entered, so n = 0 changes nothing.
inline void skip_bits(codec_context* ctx, int n) {
    ctx->lookahead = static_cast<std::uint16_t>(static_cast<std::uint32_t>(ctx->lookahead) << n);
    while (n > ctx->spare_bits) {
        n -= ctx->spare_bits;
        ctx->lookahead |= static_cast<std::uint16_t>(ctx->spare_byte << n);
        input_span* in = ctx->input;
        if (in->next < in->end) {
            ctx->spare_byte = *in->next++;
        } else {
            ctx->spare_byte = 0;  // input used up: zero bits from here on, next stays at end
        }
        ctx->spare_bits = 8;
    }
    ctx->spare_bits -= n;
    ctx->lookahead |= static_cast<std::uint16_t>(ctx->spare_byte >> ctx->spare_bits);
}

// The n leading bits (n 0..16) as a number, most significant first; nothing is consumed.
inline std::uint32_t peek_bits(const codec_context* ctx, int n) {
    return static_cast<std::uint32_t>(ctx->lookahead) >> (16 - n);
}

inline std::uint32_t read_bits(codec_context* ctx, int n) {
    std::uint32_t value = peek_bits(ctx, n);
    skip_bits(ctx, n);
    return value;
}

// A fresh reader fetches the first two bytes: the first lands in bits 15..8 of the lookahead.
inline void start_bit_reader(codec_context* ctx) {
    ctx->lookahead = 0;
    ctx->spare_byte = 0;
    ctx->spare_bits = 0;
    skip_bits(ctx, 16);
}

}  // namespace decoder
