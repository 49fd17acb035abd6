// Block output, field by field. A count of 0 in any of the three code sections selects its single-code
// form; the decoder rejects a code set with one nonzero length, so an alphabet with one used code always
// goes that way and its code then costs no bits where it occurs.
#include "encoder/block_writer.h"

namespace encoder {

namespace {

void put_length_form(bit_writer& writer, int length) {
    if (length < 7) {
        put_bits(writer, static_cast<std::uint32_t>(length), 3);
        return;
    }
    put_bits(writer, 7, 3);
    const int ones = length - 7;
    put_bits(writer, ((1u << ones) - 1) << 1, ones + 1);
}

template <int N>
void put_small_alphabet(bit_writer& writer, const alphabet_code<N>& code, int count_bits, bool zero_run) {
    if (code.used < 2) {
        put_bits(writer, 0, count_bits);
        put_bits(writer, static_cast<std::uint32_t>(code.single), count_bits);
        return;
    }
    put_bits(writer, static_cast<std::uint32_t>(code.sent_count), count_bits);
    int i = 0;
    while (i < code.sent_count) {
        put_length_form(writer, code.lengths[i]);
        ++i;
        if (zero_run && i == decoder::FORMAT_ZERO_RUN_AFTER) {
            const int zeros = zero_run_after_third(code.lengths, code.sent_count);
            put_bits(writer, static_cast<std::uint32_t>(zeros), decoder::FORMAT_ZERO_RUN_BITS);
            i += zeros;
        }
    }
}

template <int N>
void put_code(bit_writer& writer, const alphabet_code<N>& code, int symbol) {
    if (code.used >= 2) put_bits(writer, code.codes[symbol], code.lengths[symbol]);
}

void put_symbol_lengths(bit_writer& writer, const block_plan& plan) {
    put_bits(writer, static_cast<std::uint32_t>(plan.symbols.sent_count), decoder::FORMAT_SYMBOL_COUNT_BITS);
    for (int t = 0; t < plan.token_count; ++t) {
        const length_token token = plan.tokens[t];
        put_code(writer, plan.length_codes, token.code);
        if (token.code == decoder::FORMAT_CODE_SHORT_RUN)
            put_bits(writer, token.extra, decoder::FORMAT_SHORT_RUN_BITS);
        if (token.code == decoder::FORMAT_CODE_LONG_RUN)
            put_bits(writer, token.extra, decoder::FORMAT_LONG_RUN_BITS);
    }
}

}  // namespace

void write_block(bit_writer& writer, const block_plan& plan, const lz_symbol* symbols) {
    put_bits(writer, plan.block_size, decoder::FORMAT_BLOCK_SIZE_BITS);
    put_small_alphabet(writer, plan.length_codes, decoder::FORMAT_LENGTH_CODE_COUNT_BITS, true);
    if (plan.symbols.used < 2) {
        put_bits(writer, 0, decoder::FORMAT_SYMBOL_COUNT_BITS);
        put_bits(writer, static_cast<std::uint32_t>(plan.symbols.single), decoder::FORMAT_SYMBOL_COUNT_BITS);
    } else {
        put_symbol_lengths(writer, plan);
    }
    put_small_alphabet(writer, plan.classes, decoder::FORMAT_CLASS_COUNT_BITS, false);

    for (std::uint32_t i = 0; i < plan.block_size; ++i) {
        const lz_symbol item = symbols[i];
        put_code(writer, plan.symbols, item.symbol);
        if (item.symbol < decoder::FORMAT_LITERAL_COUNT) continue;
        const int dist_class = distance_class(item.distance);
        put_code(writer, plan.classes, dist_class);
        const int extra = class_extra_bits(dist_class);
        if (extra > 0) put_bits(writer, item.distance - (1u << extra), extra);
    }
}

}  // namespace encoder
