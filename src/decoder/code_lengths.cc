// Reading a block's head: the block size, then the three lists of code lengths, each either a list in its
// own coding or the single-code form that names the alphabet's one code and costs no bits when decoded.
#include "decoder/code_lengths.h"

#include <algorithm>
#include <array>

#include "decoder/bit_reader.h"
#include "decoder/decode_table.h"
#include "decoder/stream_format.h"
#include "decoder/wide_reader.h"

namespace decoder {

namespace {

// The length form of the small alphabets: 0..6 as three bits; from 7 on, 111 then one 1 bit per unit
// above 7 and a closing 0 bit. Only the 13 bits behind the first three are looked at, so a damaged value
// reaches 20 at most, which the table build rejects.
std::uint32_t read_length_form(codec_context* ctx) {
    std::uint32_t length = peek_bits(ctx, FORMAT_LENGTH_FORM_BITS);
    if (length < FORMAT_LENGTH_FORM_ESCAPE) {
        skip_bits(ctx, FORMAT_LENGTH_FORM_BITS);
        return length;
    }
    for (std::uint32_t bit = 1u << 12; bit != 0 && (ctx->lookahead & bit); bit >>= 1) ++length;
    skip_bits(ctx, static_cast<int>(length) -
                       FORMAT_LENGTH_FORM_BITS);  // the three bits, the 1 bits and the closing 0
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

// What each length code stands for, as a table, so that both readers take every code the same way: the
// length it stores at the current entry (0 for the runs of zeros), its extra bits, and the number of
// entries it covers before those bits are added.
struct length_code_action {
    std::uint8_t length;
    std::uint8_t extra_bits;
    std::uint16_t run;
};

constexpr std::array<length_code_action, CODEC_LENGTH_CODE_COUNT> make_length_code_actions() {
    std::array<length_code_action, CODEC_LENGTH_CODE_COUNT> actions{};
    for (std::uint32_t code = 0; code < actions.size(); ++code) {
        if (code == FORMAT_CODE_SHORT_RUN) {
            actions[code] = {0, FORMAT_SHORT_RUN_BITS, FORMAT_SHORT_RUN_MIN};
        } else if (code == FORMAT_CODE_LONG_RUN) {
            actions[code] = {0, FORMAT_LONG_RUN_BITS, FORMAT_LONG_RUN_MIN};
        } else {
            const std::uint32_t length =
                code >= FORMAT_CODE_FIRST_LENGTH ? code - FORMAT_CODE_LENGTH_BASE : 0;
            actions[code] = {static_cast<std::uint8_t>(length), 0, 1};
        }
    }
    return actions;
}

constexpr auto LENGTH_CODE_ACTIONS = make_length_code_actions();

// The symbol lengths' length codes, 64 bits of the stream at a time, for as long as eight input bytes
// remain at every refill and each code is found in aux_table in one lookup with a length that fits it;
// the careful loop after it takes the rest. A refill leaves 56 bits: three codes of at most 8 bits with
// at most 9 extra bits each. The lengths start all zero (read_symbol_lengths), so a run of zeros only
// moves on, without a branch on the kind of code. An entry is written only below CODEC_SYMBOL_COUNT; a
// run that passes the last entry shows in the final *i.
void read_length_codes_wide(codec_context* ctx, int n, int* i) {
    const std::uint8_t* const in_last_refill = ctx->input->end - 8;
    if (*i >= n || ctx->input->next > in_last_refill) return;
    std::uint8_t* lengths = ctx->symbol_lengths.data();
    const std::uint16_t* table = ctx->aux_table.data();
    const std::uint8_t* code_lengths = ctx->aux_lengths.data();
    wide_reader w = take_wide_reader(ctx);
    auto at = static_cast<std::uint32_t>(*i);
    const auto end = static_cast<std::uint32_t>(n);
    while (at < end && w.in <= in_last_refill) {
        refill_wide_reader(w);
        for (int step = 0; step < 3 && at < end; ++step) {
            const std::uint32_t code = table[w.bits >> (64 - CODEC_AUX_TABLE_BITS)];
            if (code >= CODEC_LENGTH_CODE_COUNT || code_lengths[code] > CODEC_AUX_TABLE_BITS) {
                *i = static_cast<int>(at);
                hand_back_wide_reader(ctx, w);
                return;
            }
            const length_code_action action = LENGTH_CODE_ACTIONS[code];
            w.bits <<= code_lengths[code];
            w.count -= code_lengths[code];
            // The extra bits as a number; none give 0 (the shift by one first keeps the count below 64).
            const auto extra = static_cast<std::uint32_t>((w.bits >> 1) >> (63 - action.extra_bits));
            w.bits <<= action.extra_bits;
            w.count -= action.extra_bits;
            if (at < static_cast<std::uint32_t>(CODEC_SYMBOL_COUNT)) lengths[at] = action.length;
            at += action.run + extra;
        }
    }
    *i = static_cast<int>(at);
    hand_back_wide_reader(ctx, w);
}

}  // namespace

bool read_aux_lengths(codec_context* ctx, int count, int count_width, int zero_run_index) {
    ctx->fast_tables_ready = 0;
    std::uint8_t* lengths = ctx->aux_lengths.data();
    const int n = static_cast<int>(read_bits(ctx, count_width));
    if (n == 0) {
        // Single-code form: every code of this alphabet decodes as c and, with length 0, consumes nothing.
        const std::uint32_t c = read_bits(ctx, count_width);
        std::fill_n(lengths, count, 0);
        ctx->aux_table.fill(static_cast<std::uint16_t>(c));
        return true;
    }
    bool fits = true;
    int i = 0;
    while (i < n) {
        fits &= store_lengths(lengths, count, &i, read_length_form(ctx), 1);
        // The zero run follows the third length even when that was the last one announced.
        if (i == zero_run_index)
            fits &= store_lengths(lengths, count, &i, 0, read_bits(ctx, FORMAT_ZERO_RUN_BITS));
    }
    if (!fits) {
        ctx->error_code = CODEC_ERR_TABLE;
        return false;
    }
    std::fill(lengths + i, lengths + count, 0);
    // An empty set builds nothing and is no error.
    return build_decode_table(ctx, count, lengths, CODEC_AUX_TABLE_BITS, ctx->aux_table.data()) == 0 &&
           std::any_of(lengths, lengths + count, [](std::uint8_t length) { return length != 0; });
}

void read_symbol_lengths(codec_context* ctx) {
    std::uint8_t* lengths = ctx->symbol_lengths.data();
    ctx->fast_tables_ready = 0;
    ctx->fast_symbols_built = 0;
    const int n = static_cast<int>(read_bits(ctx, FORMAT_SYMBOL_COUNT_BITS));
    if (n == 0) {
        // Single-symbol form: every symbol of the block is c and consumes no bits.
        const std::uint32_t c = read_bits(ctx, FORMAT_SYMBOL_COUNT_BITS);
        ctx->symbol_lengths.fill(0);
        ctx->symbol_table.fill(static_cast<std::uint16_t>(c));
        ctx->symbol_table_set = 1;
        ctx->symbol_table_split = 0;
        return;
    }
    // n counts lengths, not codes: a run counts for every zero it stands for. Starting from all zeros
    // changes nothing that can be seen: lengths read in full end in zeros, and lengths that pass the last
    // entry have written every entry.
    std::fill_n(lengths, CODEC_SYMBOL_COUNT, 0);
    int i = 0;
    if (codec_fast_path) read_length_codes_wide(ctx, n, &i);
    bool fits = i <= CODEC_SYMBOL_COUNT;
    while (i < n) {
        const std::uint32_t code = decode_with_table(ctx, ctx->aux_table.data(), CODEC_AUX_TABLE_BITS,
                                                     ctx->aux_lengths.data(), CODEC_LENGTH_CODE_COUNT);
        const length_code_action action = LENGTH_CODE_ACTIONS[code];
        const std::uint32_t run = action.run + read_bits(ctx, action.extra_bits);  // no bits read as 0
        fits &= store_lengths(lengths, CODEC_SYMBOL_COUNT, &i, action.length, run);
    }
    if (fits) {
        ctx->fast_symbols_built = build_symbol_tables(ctx) ? 1 : 0;
    } else {
        ctx->error_code = CODEC_ERR_TABLE;
    }
    // A table left as it was is all zeros until something has been written to it.
    if (ctx->fast_symbols_built == 0 && ctx->symbol_table_set == 0) {
        ctx->symbol_table.fill(0);
        ctx->symbol_table_split = 0;
    }
    ctx->symbol_table_set = 1;
}

void read_block_header(codec_context* ctx) {
    ctx->block_remaining = read_bits(ctx, FORMAT_BLOCK_SIZE_BITS);
    read_aux_lengths(ctx, CODEC_LENGTH_CODE_COUNT, FORMAT_LENGTH_CODE_COUNT_BITS, FORMAT_ZERO_RUN_AFTER);
    read_symbol_lengths(ctx);
    const bool classes_built =
        read_aux_lengths(ctx, CODEC_CLASS_COUNT, FORMAT_CLASS_COUNT_BITS, CODEC_NO_ZERO_RUN);
    // The bulk path's tables stand for this block only once its symbol code is built (the single-symbol
    // form, refused lengths and an empty set leave the careful path to decode it) and the class table is
    // derived from the classes just read. Reading any part of a head on its own clears this.
    if (ctx->fast_symbols_built != 0) {
        build_fast_class_table(ctx, classes_built);
        ctx->fast_tables_ready = 1;
    }
}

}  // namespace decoder
