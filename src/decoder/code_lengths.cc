// Reading a block's head: the block size, then the three lists of code lengths, each either a list in its
// own coding or the single-code form that names the alphabet's one code and costs no bits when decoded.
#include "decoder/code_lengths.h"

#include <algorithm>

#include "decoder/bit_reader.h"
#include "decoder/decode_table.h"

namespace decoder {

namespace {

// Length codes 0..2 stand for zero lengths (code 0: one); 3..18 for one length of code - 2 (1..16).
constexpr std::uint32_t LENGTH_CODE_SHORT_RUN = 1;  // 4 extra bits k: k + 3 zeros
constexpr std::uint32_t LENGTH_CODE_LONG_RUN = 2;   // 9 extra bits k: k + 20 zeros
constexpr std::uint32_t LENGTH_CODE_FIRST_LENGTH = 3;

// The length form of the small alphabets: 0..6 as three bits; from 7 on, 111 then one 1 bit per unit
// above 7 and a closing 0 bit. Only the 13 bits behind the first three are looked at, so a damaged value
// reaches 20 at most, which the table build rejects.
std::uint32_t read_length_form(codec_context* ctx) {
    std::uint32_t length = peek_bits(ctx, 3);
    if (length < 7) {
        skip_bits(ctx, 3);
        return length;
    }
    for (std::uint32_t bit = 1u << 12; bit != 0 && (ctx->lookahead & bit); bit >>= 1) ++length;
    skip_bits(ctx, static_cast<int>(length) - 3);  // the three bits, the 1 bits and the closing 0
    return length;
}

// Stores run copies of length from entry *i on, never past entry size - 1; false when the run passes it.
bool store_lengths(std::uint8_t* lengths, int size, int* i, std::uint32_t length, std::uint32_t run) {
    const int room = std::max(size - *i, 0);
    const int stored = static_cast<int>(std::min<std::uint32_t>(run, static_cast<std::uint32_t>(room)));
    std::fill_n(lengths + *i, stored, static_cast<std::uint8_t>(length));
    *i += static_cast<int>(run);
    return stored == static_cast<int>(run);
}

}  // namespace

void read_aux_lengths(codec_context* ctx, int count, int count_width, int zero_run_index) {
    std::uint8_t* lengths = ctx->aux_lengths.data();
    const int n = static_cast<int>(read_bits(ctx, count_width));
    if (n == 0) {
        // Single-code form: every code of this alphabet decodes as c and, with length 0, consumes nothing.
        const std::uint32_t c = read_bits(ctx, count_width);
        std::fill_n(lengths, count, 0);
        ctx->aux_table.fill(static_cast<std::uint16_t>(c));
        return;
    }
    bool fits = true;
    int i = 0;
    while (i < n) {
        fits &= store_lengths(lengths, count, &i, read_length_form(ctx), 1);
        // The zero run follows the third length even when that was the last one announced.
        if (i == zero_run_index) fits &= store_lengths(lengths, count, &i, 0, read_bits(ctx, 2));
    }
    if (!fits) {
        ctx->error_code = CODEC_ERR_TABLE;
        return;
    }
    std::fill(lengths + i, lengths + count, 0);
    build_decode_table(ctx, count, lengths, CODEC_AUX_TABLE_BITS, ctx->aux_table.data());
}

void read_symbol_lengths(codec_context* ctx) {
    std::uint8_t* lengths = ctx->symbol_lengths.data();
    // The bulk path's tables stand for this block only once its symbol code is built (the single-symbol
    // form, refused lengths and an empty set leave the careful path to decode it).
    ctx->fast_tables_ready = 0;
    const int n = static_cast<int>(read_bits(ctx, 9));
    if (n == 0) {
        // Single-symbol form: every symbol of the block is c and consumes no bits.
        const std::uint32_t c = read_bits(ctx, 9);
        ctx->symbol_lengths.fill(0);
        ctx->symbol_table.fill(static_cast<std::uint16_t>(c));
        return;
    }
    // n counts lengths, not codes: a run counts for every zero it stands for.
    bool fits = true;
    int i = 0;
    while (i < n) {
        const std::uint32_t code = decode_with_table(ctx, ctx->aux_table.data(), CODEC_AUX_TABLE_BITS,
                                                     ctx->aux_lengths.data(), CODEC_LENGTH_CODE_COUNT);
        std::uint32_t length = 0;
        std::uint32_t run = 1;
        if (code == LENGTH_CODE_SHORT_RUN) {
            run = read_bits(ctx, 4) + 3;
        } else if (code == LENGTH_CODE_LONG_RUN) {
            run = read_bits(ctx, 9) + 20;
        } else if (code >= LENGTH_CODE_FIRST_LENGTH) {
            length = code - 2;
        }
        fits &= store_lengths(lengths, CODEC_SYMBOL_COUNT, &i, length, run);
    }
    if (!fits) {
        ctx->error_code = CODEC_ERR_TABLE;
        return;
    }
    std::fill(lengths + i, lengths + CODEC_SYMBOL_COUNT, 0);
    ctx->fast_tables_ready = build_symbol_tables(ctx) ? 1 : 0;
}

void read_block_header(codec_context* ctx) {
    ctx->block_remaining = read_bits(ctx, 16);
    read_aux_lengths(ctx, CODEC_LENGTH_CODE_COUNT, 5, 3);
    read_symbol_lengths(ctx);
    read_aux_lengths(ctx, CODEC_CLASS_COUNT, 4, CODEC_NO_ZERO_RUN);
}

}  // namespace decoder
