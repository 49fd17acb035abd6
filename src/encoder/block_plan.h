// The plan of one block: symbol statistics in, every code length and the exact size in bits out, so that
// block splitting can price a candidate block without writing it. Writing a planned block is
// block_writer.h; choosing block ends is block_splitter.h.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/code_lengths.h"
#include "encoder/format.h"
#include "encoder/zero_runs.h"

namespace encoder {

struct block_stats {
    std::array<std::uint32_t, decoder::FORMAT_SYMBOL_COUNT> symbol_frequencies;
    std::array<std::uint32_t, decoder::FORMAT_CLASS_COUNT> class_frequencies;
    std::uint32_t symbol_total;
    std::uint64_t extra_bits;  // distance extra bits, which no code choice changes
};

inline void clear_stats(block_stats& stats) {
    stats.symbol_frequencies.fill(0);
    stats.class_frequencies.fill(0);
    stats.symbol_total = 0;
    stats.extra_bits = 0;
}

inline void count_symbol(block_stats& stats, lz_symbol item) {
    ++stats.symbol_frequencies[item.symbol];
    ++stats.symbol_total;
    if (item.symbol >= decoder::FORMAT_LITERAL_COUNT) {
        const int dist_class = distance_class(item.distance);
        ++stats.class_frequencies[dist_class];
        stats.extra_bits += static_cast<std::uint32_t>(class_extra_bits(dist_class));
    }
}

void add_stats(block_stats& into, const block_stats& from);

// One alphabet's code in a block. With fewer than two used symbols the alphabet goes in single-code form:
// `single` is then the one code the decoder returns (any valid one when none is used) and no bits are sent
// per occurrence.
template <int N>
struct alphabet_code {
    std::array<std::uint8_t, N> lengths;
    std::array<std::uint16_t, N> codes;  // filled only by assign_plan_codes
    int used;
    int single;
    int sent_count;  // lengths sent: up to the last nonzero one, since the decoder zero-fills the rest
};

struct block_plan {
    std::uint32_t block_size;
    alphabet_code<decoder::FORMAT_SYMBOL_COUNT> symbols;
    alphabet_code<decoder::FORMAT_LENGTH_CODE_COUNT> length_codes;
    alphabet_code<decoder::FORMAT_CLASS_COUNT> classes;
    std::array<length_token, decoder::FORMAT_SYMBOL_COUNT> tokens;  // the symbol lengths, zero runs folded
    int token_count;
    std::uint64_t header_bits;
    std::uint64_t body_bits;
};

struct plan_scratch {
    code_length_scratch lengths;
    std::array<length_token, decoder::FORMAT_SYMBOL_COUNT> first_tokens;
    zero_run_scratch runs;
    block_plan trial;
};

// Chooses every code length of a block with these statistics, the symbol code's lengths at most
// symbol_limit bits, and returns its exact size in bits, header included. Presumes
// 1 <= stats.symbol_total <= 65535 and 9 <= symbol_limit <= 16 (510 symbols fit in 9 bits).
std::uint64_t plan_block(const block_stats& stats, block_plan& plan, plan_scratch& scratch,
                         int symbol_limit = decoder::FORMAT_MAX_CODE_LENGTH);

// As plan_block, for a block about to be written: a small block is also planned under tighter symbol
// length limits, and the plan of fewest bits in all is kept.
std::uint64_t plan_block_to_write(const block_stats& stats, block_plan& plan, plan_scratch& scratch);

// Fills the codes of a planned block's three alphabets.
void assign_plan_codes(block_plan& plan);

}  // namespace encoder

namespace encoder {

// Zero lengths covered by the two run bits that follow the third length-code length: those right after
// it, at most three, and none once the sent lengths are exhausted.
template <typename Lengths>
int zero_run_after_third(const Lengths& lengths, int sent_count) {
    int zeros = 0;
    for (int i = decoder::FORMAT_ZERO_RUN_AFTER;
         i < sent_count && zeros < ENCODER_ZERO_RUN_MAX && lengths[i] == 0; ++i) {
        ++zeros;
    }
    return zeros;
}

}  // namespace encoder
