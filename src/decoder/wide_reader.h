// The bit reader seen 64 bits at a time, for loops that decode many codes in a row: taken over from the
// context's byte-at-a-time reader, refilled eight bytes at once while eight input bytes remain, and handed
// back so that the context's reader stands exactly where reading one byte at a time would have left it.
// The table lookups that use it are the callers'; nothing here decides when it may be used.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "decoder/codec_context.h"

namespace decoder {

// Unconsumed stream bits, first bit at bit 63; count of them (callers may keep it modulo 64, see
// hand_back_wide_reader); the next byte not yet loaded.
struct wide_reader {
    std::uint64_t bits;
    std::uint32_t count;
    const std::uint8_t* in;
};

// The reader's unconsumed bits: the lookahead, then the spare bits of the last byte fetched.
inline wide_reader take_wide_reader(const codec_context* ctx) {
    const auto spare_mask = static_cast<std::uint32_t>((1u << ctx->spare_bits) - 1);
    return {static_cast<std::uint64_t>(ctx->lookahead) << 48 |
                static_cast<std::uint64_t>(ctx->spare_byte & spare_mask) << (48 - ctx->spare_bits),
            static_cast<std::uint32_t>(16 + ctx->spare_bits), ctx->input->next};
}

// The stream's first byte goes to the top of the bits: a word loaded as it lies in memory has its first
// byte at the bottom on a little-endian processor, so one byte swap turns it round. A big-endian one would
// need none; no target of ours is one, so rather than a second path untested, the build stops.
static_assert(std::endian::native == std::endian::little, "refill_wide_reader swaps a little-endian load");

// Tops the bits up to at least 56. Presumes eight readable bytes at w.in. Bits below the count are real
// stream bits or zeros, so loading over them again is harmless; works on the count modulo 64. The one
// refill of every wide loop: inlined, so that the loop keeps the reader in registers.
[[gnu::always_inline]] inline void refill_wide_reader(wide_reader& w) {
    std::uint64_t word;
    std::memcpy(&word, w.in, sizeof word);
    w.bits |= __builtin_bswap64(word) >> (w.count & 63);
    w.in += (~w.count & 63) >> 3;
    w.count |= 56;
}

// The byte-at-a-time reader holds 16 bits of lookahead and 0..7 spare bits: the whole bytes beyond them
// are handed back, or, below 16 bits (only the length codes' loop ends so; the symbol loops always hold
// 16), fetched as it would fetch them, zero bits past the end of the input. Only the count modulo 64 is used.
inline void hand_back_wide_reader(codec_context* ctx, wide_reader w) {
    std::uint32_t count = w.count & 63;
    std::uint32_t spare_byte = 0;
    if (count >= 16) [[likely]] {
        const std::uint32_t extra_bytes = (count - 16) / 8;
        w.in -= extra_bytes;
        count -= extra_bytes * 8;
        spare_byte = w.in[-1];
    } else {
        while (count < 16) {
            spare_byte = w.in < ctx->input->end ? *w.in++ : 0;
            w.bits |= static_cast<std::uint64_t>(spare_byte) << (56 - count);
            count += 8;
        }
    }
    ctx->input->next = w.in;
    ctx->lookahead = static_cast<std::uint16_t>(w.bits >> 48);
    ctx->spare_bits = static_cast<std::int32_t>(count) - 16;
    ctx->spare_byte = spare_byte;
}

}  // namespace decoder
